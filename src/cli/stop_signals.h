#pragma once
// Ctrl-C (SIGINT) and SIGTERM as the stop command of kuvo-batch: the first
// stops the run after the pictures in flight, the second ends the process at
// once, though never in the middle of writing a file.
namespace kuvo {
class BatchRun;
}

namespace kuvo::cli {

inline constexpr int StoppedExitStatus = 130;

void installStopSignals(BatchRun &run);

} // namespace kuvo::cli
