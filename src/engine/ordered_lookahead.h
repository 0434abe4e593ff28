#pragma once
// Runs numbered tasks on a worker pool ahead of the point where their results
// are taken, and hands the results back strictly in number order.
//
// Workers never wait for the oldest task: when it is a large picture, the
// others go on with the following ones. Finished results are held until
// their turn; how many may be held is bounded by the bytes they keep (and a
// count, for tasks whose results are tiny), not by the number of workers.
//
// Tasks may also need a share of a memory budget while they run (a
// progressive JPEG's coefficients). The running tasks' shares stay within
// it: a task that does not fit beside them is passed over for a later one
// that does, so a worker is not left waiting for the budget, and a task that
// needs a share starts as soon as it fits, as it is a long one. The last few
// tasks start heaviest first (by the weight the demand gives, such as the
// file's size), so the run does not end with one large picture on one
// worker while the others have nothing left; before those, results come in
// as the list has them.
#include <QThreadPool>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
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
    std::int64_t sharedBytes = 0; // the budget demandOf() shares are measured against; 0: none
    int passOver = 64;            // how far past the first unstarted task a later one may start
    int lastByWeight = 0;         // this many last tasks start heaviest first; 0: four per worker
  };
  // start(index) runs on the taking thread and returns the work for index,
  // which runs on a worker; mayStart() is asked before each start.
  // demandOf(index), also on the taking thread, tells the budget a task
  // needs and how heavy it is.
  using Work = std::function<Result()>;
  struct Demand {
    std::int64_t share = 0;
    std::int64_t weight = 0;
  };
  OrderedLookahead(int total, Limits limits, std::function<Work(int)> start, std::function<bool()> mayStart,
                   std::function<std::int64_t(const Result &)> bytesOf, std::function<Demand(int)> demandOf = {})
      : total_(total), limits_(limits), start_(std::move(start)), mayStart_(std::move(mayStart)),
        bytesOf_(std::move(bytesOf)), demandOf_(std::move(demandOf)) {
    pool_.setMaxThreadCount(std::max(1, limits_.workers));
    // One worker has nobody to share the budget with or to balance against.
    if (!demandOf_ || limits_.sharedBytes <= 0 || limits_.workers <= 1)
      limits_.passOver = 1;
    if (limits_.lastByWeight <= 0)
      limits_.lastByWeight = 4 * limits_.workers;
  }
  ~OrderedLookahead() { pool_.waitForDone(); }
  OrderedLookahead(const OrderedLookahead &) = delete;
  OrderedLookahead &operator=(const OrderedLookahead &) = delete;

  // The next result in order with its index, or nothing when every started
  // task has been taken and no more may start. Blocks until it is ready.
  // After a stop, the started tasks are handed back in order, past the
  // passed-over ones that never started.
  std::optional<std::pair<int, Result>> takeNext() {
    std::unique_lock lock(mutex_);
    while (true) {
      // The oldest result goes first, before anything new starts, so that a
      // stop asked for while taking it starts nothing more.
      if (!slots_.empty()) {
        auto front = slots_.begin();
        if (front->second.done && (stopped_ || front->first < firstUnstarted())) {
          std::pair<int, Result> taken(front->first, std::move(front->second.result));
          held_ -= front->second.bytes;
          --heldCount_;
          slots_.erase(front);
          return taken;
        }
      }
      startMore(lock);
      if (slots_.empty())
        return std::nullopt;
      auto front = slots_.begin();
      if (!(front->second.done && (stopped_ || front->first < firstUnstarted())))
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
    bool done = false;
    std::int64_t bytes = 0;
    Result result{};
  };
  struct Unstarted {
    int index = 0;
    std::int64_t share = 0;
    std::int64_t weight = 0;
  };

  int firstUnstarted() const { return unstarted_.empty() ? next_ : unstarted_.front().index; }
  bool fits(std::int64_t share) const { return share <= 0 || sharing_ == 0 || sharing_ + share <= limits_.sharedBytes; }

  // The task to start next, or -1 when none may start now. Only the taking
  // thread changes unstarted_ and next_, so the shares are asked with the
  // lock open. With the held results at their bound, only the first
  // unstarted task may start, and only when every task before it is taken:
  // it is the one the results wait for.
  int choose(std::unique_lock<std::mutex> &lock) {
    while (next_ < total_ && next_ < firstUnstarted() + limits_.passOver) {
      const int index = next_++;
      lock.unlock();
      const Demand demand = demandOf_ && limits_.passOver > 1 ? demandOf_(index) : Demand();
      lock.lock();
      unstarted_.push_back({index, demand.share, demand.weight});
    }
    if (heldCount_ >= limits_.heldCount || held_ >= limits_.heldBytes) {
      const bool waitedFor = !unstarted_.empty() && (slots_.empty() || slots_.begin()->first > firstUnstarted());
      return waitedFor && fits(unstarted_.front().share) ? 0 : -1;
    }
    // Shared tasks first, and first of those the ones too large for two to
    // fit at once: they run one after another, so the sooner the first
    // starts, the sooner the last ends. Within each kind the list order,
    // and for the last tasks the heaviest that fits.
    const bool endInView = next_ >= total_ && int(unstarted_.size()) <= limits_.lastByWeight;
    const auto rank = [this](const Unstarted &u) { return u.share > limits_.sharedBytes / 2 ? 2 : u.share > 0 ? 1 : 0; };
    int pick = -1;
    const auto before = [&](const Unstarted &a, const Unstarted &b) {
      if (rank(a) != rank(b))
        return rank(a) > rank(b);
      return endInView && a.weight > b.weight;
    };
    for (std::size_t i = 0; i < unstarted_.size(); ++i)
      if (fits(unstarted_[i].share) && (pick < 0 || before(unstarted_[i], unstarted_[std::size_t(pick)])))
        pick = static_cast<int>(i);
    return pick;
  }

  void startMore(std::unique_lock<std::mutex> &lock) {
    while (!stopped_ && running_ < limits_.workers) {
      const int chosen = choose(lock);
      if (chosen < 0)
        return;
      const Unstarted task = unstarted_[static_cast<std::size_t>(chosen)];
      unstarted_.erase(unstarted_.begin() + chosen);
      lock.unlock();
      const bool may = mayStart_();
      Work work = may ? start_(task.index) : Work();
      lock.lock();
      if (!may) {
        stopped_ = true;
        return;
      }
      Slot *slot = &slots_[task.index]; // map nodes stay put while others come and go
      ++running_;
      ++heldCount_;
      sharing_ += task.share;
      pool_.start([this, slot, share = task.share, work = std::move(work)] {
        Result result = work();
        const std::int64_t bytes = bytesOf_(result);
        std::lock_guard guard(mutex_);
        slot->result = std::move(result);
        slot->bytes = bytes;
        slot->done = true;
        held_ += bytes;
        sharing_ -= share;
        --running_;
        ready_.notify_one();
      });
    }
  }

  const int total_;
  Limits limits_;
  std::function<Work(int)> start_;
  std::function<bool()> mayStart_;
  std::function<std::int64_t(const Result &)> bytesOf_;
  std::function<Demand(int)> demandOf_;
  QThreadPool pool_;
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::map<int, Slot> slots_;       // started and not yet taken, by index
  std::deque<Unstarted> unstarted_; // looked at and passed over, in index order
  int next_ = 0;                    // the first index not looked at
  int running_ = 0;
  int heldCount_ = 0; // started and not yet taken
  std::int64_t held_ = 0;
  std::int64_t sharing_ = 0; // the shares of the running tasks
  bool stopped_ = false;     // mayStart() said no: nothing more starts
};

} // namespace kuvo
