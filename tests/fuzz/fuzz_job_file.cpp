// libFuzzer entry: any bytes as a job file through loadJobFile. Whatever the
// loader accepts must be finite where it is a number, and must survive being
// saved and loaded again: a job that loads but cannot be written back
// unchanged would lose the user's settings on the next save.
#include "engine/job_file.h"
#include "fuzz_support.h"
#include "settings_checks.h"

#include <QDateTime>

namespace {

QByteArray readAll(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    std::abort();
  return f.readAll();
}

// QSettings keeps parsed files in a cache checked by size and time stamp. New
// names for every input would fill that cache (and make every run look like a
// leak to LeakSanitizer); a new time stamp on every file read instead makes
// QSettings parse it again.
void freshen(const QString &path) {
  static qint64 serial = 0;
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite) ||
      !f.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000 + ++serial), QFileDevice::FileModificationTime))
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  kuvo::fuzz::initQt(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString path = kuvo::fuzz::writeScratchFile(QStringLiteral("job.ini"), data, size);
  freshen(path);
  kuvo::ProcessingSettings job;
  bool ok = false;
  kuvo::loadJobFile(path, job, &ok);
  if (!ok)
    return 0;
  kuvo::fuzz::checkNumbers(job);

  const QString saved = kuvo::fuzz::scratch().filePath(QStringLiteral("saved.ini"));
  const QString again = kuvo::fuzz::scratch().filePath(QStringLiteral("again.ini"));
  if (!kuvo::saveJobFile(saved, job))
    std::abort();
  freshen(saved);
  kuvo::ProcessingSettings reloaded;
  const QStringList skipped = kuvo::loadJobFile(saved, reloaded, &ok);
  if (!ok || !skipped.isEmpty()) {
    fprintf(stderr, "saved job does not load back: %s\n", qPrintable(skipped.join(QLatin1Char(' '))));
    std::abort();
  }
  if (!kuvo::saveJobFile(again, reloaded))
    std::abort();
  if (readAll(saved) != readAll(again)) {
    fprintf(stderr, "a saved job changes when loaded and saved again\n");
    std::abort();
  }
  return 0;
}
