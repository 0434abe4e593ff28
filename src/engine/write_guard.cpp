#include "engine/write_guard.h"

#include <atomic>
#include <cstdlib>

namespace kuvo {

namespace {
std::atomic<int> writesInProgress{0};
std::atomic<int> pendingExit{-1};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");
} // namespace

// The exit is recorded before the count is read, and a writer counts itself
// before it reads the exit: one of the two always sees the other.
void exitWhenNoWriteInProgress(int status) noexcept {
  pendingExit.store(status);
  if (writesInProgress.load() == 0)
    std::_Exit(status);
}

WriteInProgress::WriteInProgress() noexcept {
  writesInProgress.fetch_add(1);
  const int status = pendingExit.load();
  if (status >= 0)
    std::_Exit(status); // nothing of this write exists yet
}

WriteInProgress::~WriteInProgress() {
  if (writesInProgress.fetch_sub(1) == 1) {
    const int status = pendingExit.load();
    if (status >= 0)
      std::_Exit(status);
  }
}

} // namespace kuvo
