// libFuzzer entry: kuvo-batch's command line. The input is cut into arguments
// at NUL and newline characters.
#include "cli/cli_options.h"
#include "fuzz_support.h"
#include "settings_checks.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  kuvo::fuzz::initQt(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  // Options that read files could otherwise name a device or a pipe and wait
  // forever: those inputs are not the parser's business.
  if (bytes.contains("/dev") || bytes.contains("/proc") || bytes.contains("/sys") || bytes.contains("/run"))
    return 0;
  QStringList args;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= bytes.size(); ++i) {
    if (i == bytes.size() || bytes[i] == '\0' || bytes[i] == '\n') {
      args << QString::fromUtf8(bytes.mid(start, i - start));
      start = i + 1;
    }
  }
  kuvo::cli::CliJob job;
  QString error;
  const bool ok = kuvo::cli::parseCommandLine(args, job, error);
  // A refused command line always says why; an accepted one has pictures to do
  // unless it only asks for help.
  if (!ok && error.isEmpty()) {
    fprintf(stderr, "refused without a message\n");
    std::abort();
  }
  if (ok && !job.showHelp && job.inputs.isEmpty()) {
    fprintf(stderr, "accepted without inputs\n");
    std::abort();
  }
  if (ok && (job.jobs < 0 || job.settings.sizeMode < 0 || job.settings.sizeMode > job.settings.customSizeIndex())) {
    fprintf(stderr, "accepted with out-of-range values: jobs %d size mode %d\n", job.jobs, job.settings.sizeMode);
    std::abort();
  }
  if (ok)
    kuvo::fuzz::checkNumbers(job.settings);
  return 0;
}
