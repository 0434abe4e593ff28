#include "cli/stop_signals.h"

#include "engine/batch_run.h"
#include "engine/write_guard.h"

#include <atomic>
#include <csignal>

namespace kuvo::cli {

namespace {
std::atomic<BatchRun *> stoppable{nullptr};
std::atomic<int> signalsSeen{0};

extern "C" void onStopSignal(int) {
  if (signalsSeen.fetch_add(1) == 0) {
    if (BatchRun *run = stoppable.load())
      run->requestStop(); // one atomic store
    return;
  }
  exitWhenNoWriteInProgress(StoppedExitStatus);
}
} // namespace

void installStopSignals(BatchRun &run) {
  stoppable.store(&run);
#ifdef Q_OS_WIN
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGTERM, onStopSignal);
#else
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

} // namespace kuvo::cli
