#pragma once
// Runs numbered tasks on a worker pool ahead of the point where their results
// are taken, and hands the results back strictly in number order.
//
// Workers never wait for the oldest task: when it is a large picture, the
// others go on with the following ones. Finished results are held until
// their turn; how many may be held is bounded by the bytes they keep (and a
// count, for tasks whose results are tiny), not by the number of workers.
#include <QThreadPool>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace kuvo {

// Result must be default-constructible and movable.
template <typename Result> class OrderedLookahead {
public:
  struct Limits {
    int workers = 1;
    std::int64_t heldBytes = 64 << 20; // finished results waiting for their turn
    int heldCount = 64;
  };
  // start(index) runs on the taking thread and returns the work for index,
  // which runs on a worker; mayStart() is asked before each start.
  using Work = std::function<Result()>;
  OrderedLookahead(int total, Limits limits, std::function<Work(int)> start, std::function<bool()> mayStart,
                   std::function<std::int64_t(const Result &)> bytesOf)
      : total_(total), limits_(limits), start_(std::move(start)), mayStart_(std::move(mayStart)),
        bytesOf_(std::move(bytesOf)) {
    pool_.setMaxThreadCount(std::max(1, limits_.workers));
  }
  ~OrderedLookahead() { pool_.waitForDone(); }
  OrderedLookahead(const OrderedLookahead &) = delete;
  OrderedLookahead &operator=(const OrderedLookahead &) = delete;

  // The next result in order with its index, or nothing when every started
  // task has been taken and no more may start. Blocks until it is ready.
  std::optional<std::pair<int, Result>> takeNext() {
    std::unique_lock lock(mutex_);
    while (true) {
      // The oldest result goes first, before anything new starts, so that a
      // stop asked for while taking it starts nothing more.
      if (!slots_.empty() && slots_.front().done) {
        Slot &front = slots_.front();
        std::pair<int, Result> taken(front.index, std::move(front.result));
        held_ -= front.bytes;
        --heldCount_;
        slots_.pop_front();
        return taken;
      }
      startMore(lock);
      if (slots_.empty())
        return std::nullopt;
      if (!slots_.front().done)
        ready_.wait(lock);
    }
  }

  // Started and not yet taken, for tests and the status of a run.
  int pending() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(slots_.size());
  }

private:
  struct Slot {
    int index = 0;
    bool done = false;
    std::int64_t bytes = 0;
    Result result{};
  };

  void startMore(std::unique_lock<std::mutex> &lock) {
    while (running_ < limits_.workers && next_ < total_ && heldCount_ < limits_.heldCount &&
           held_ < limits_.heldBytes) {
      lock.unlock();
      const bool may = mayStart_();
      Work work = may ? start_(next_) : Work();
      lock.lock();
      if (!may)
        return;
      Slot *slot = &slots_.emplace_back(); // deque elements stay put while others come and go at the ends
      slot->index = next_++;
      ++running_;
      ++heldCount_;
      pool_.start([this, slot, work = std::move(work)] {
        Result result = work();
        const std::int64_t bytes = bytesOf_(result);
        std::lock_guard guard(mutex_);
        slot->result = std::move(result);
        slot->bytes = bytes;
        slot->done = true;
        held_ += bytes;
        --running_;
        ready_.notify_one();
      });
    }
  }

  const int total_;
  const Limits limits_;
  std::function<Work(int)> start_;
  std::function<bool()> mayStart_;
  std::function<std::int64_t(const Result &)> bytesOf_;
  QThreadPool pool_;
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Slot> slots_;
  int next_ = 0;
  int running_ = 0;
  int heldCount_ = 0; // started and not yet taken
  std::int64_t held_ = 0;
};

} // namespace kuvo
