#pragma once
// Ending the process at once without leaving a half-written file: every file
// write of the engine is bracketed by a WriteInProgress, and an exit asked for
// while one runs waits until it has been committed or cancelled.
namespace kuvo {

// Ends the process with status as soon as no file is being written. Safe to
// call from a signal handler.
void exitWhenNoWriteInProgress(int status) noexcept;

class WriteInProgress {
public:
  WriteInProgress() noexcept;
  ~WriteInProgress();
  WriteInProgress(const WriteInProgress &) = delete;
  WriteInProgress &operator=(const WriteInProgress &) = delete;
};

} // namespace kuvo
