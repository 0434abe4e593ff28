#pragma once
// Working memory of the decodes running at the same time, kept under a bound.
//
// A progressive JPEG keeps every DCT coefficient of the picture while it is
// decoded: about 4 to 6 bytes per pixel, 70-90 MB for a 16-megapixel photo,
// whatever the decode scale. Two of those on two workers at once would pass
// what the whole run should take, so such a decode waits while others hold
// the budget. A decode larger than the whole budget runs alone.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kuvo {

class DecodeMemoryBudget {
public:
  explicit DecodeMemoryBudget(std::int64_t limit) : limit_(limit) {}

  // Blocks until bytes fit beside what the others hold (or nothing is held).
  void acquire(std::int64_t bytes) {
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return held_ == 0 || held_ + bytes <= limit_; });
    held_ += bytes;
  }
  void release(std::int64_t bytes) {
    {
      std::lock_guard lock(mutex_);
      held_ -= bytes;
    }
    freed_.notify_all();
  }
  std::int64_t limit() const { return limit_; }
  std::int64_t held() const {
    std::lock_guard lock(mutex_);
    return held_;
  }

  // The budget every decoder of this process shares.
  static DecodeMemoryBudget &process();

private:
  const std::int64_t limit_;
  mutable std::mutex mutex_;
  std::condition_variable freed_;
  std::int64_t held_ = 0;
};

// Holds part of a budget for its lifetime.
class DecodeMemoryHold {
public:
  DecodeMemoryHold(DecodeMemoryBudget &budget, std::int64_t bytes) : budget_(budget), bytes_(bytes) {
    if (bytes_ > 0)
      budget_.acquire(bytes_);
  }
  ~DecodeMemoryHold() {
    if (bytes_ > 0)
      budget_.release(bytes_);
  }
  DecodeMemoryHold(const DecodeMemoryHold &) = delete;
  DecodeMemoryHold &operator=(const DecodeMemoryHold &) = delete;

private:
  DecodeMemoryBudget &budget_;
  const std::int64_t bytes_;
};

} // namespace kuvo
