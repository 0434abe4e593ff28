#pragma once
// Shared set-up of the Qt-based fuzz targets: a QCoreApplication (the program
// paths and QSettings ask it for names), silent Qt messages (parsers warn about
// every bad key, which would only slow the run down), and a scratch folder for
// parsers that read files.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace kuvo::fuzz {

inline void quietMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

inline void initQt(int *argc, char ***argv) {
  qInstallMessageHandler(quietMessages);
  static QCoreApplication app(*argc, *argv);
}

// A folder removed when the process ends normally; in memory where there is
// /dev/shm, since QSettings flushes every file it writes to the disk.
inline const QTemporaryDir &scratch() {
  static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                   : QDir::tempPath();
  static QTemporaryDir dir(base + QStringLiteral("/kuvo-fuzz-XXXXXX"));
  if (!dir.isValid())
    std::abort();
  return dir;
}

inline QString writeScratchFile(const QString &name, const std::uint8_t *data, std::size_t size) {
  const QString path = scratch().filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
    std::abort();
  return path;
}

} // namespace kuvo::fuzz
