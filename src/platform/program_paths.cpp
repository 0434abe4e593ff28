#include "platform/program_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kuvo {

namespace {
QString executableDir() {
  const QString dir = QCoreApplication::applicationDirPath();
  return dir.isEmpty() ? QDir::currentPath() : dir;
}
} // namespace

QString programDataDir() {
  const QString beside = executableDir();
  if (QFileInfo::exists(beside + QStringLiteral("/size.ini")) || QFileInfo::exists(beside + QStringLiteral("/bk")))
    return beside;
  const QString installed = QDir(beside).absoluteFilePath(QStringLiteral("../share/kuvo"));
  if (QFileInfo::exists(installed))
    return QDir::cleanPath(installed);
  return beside;
}

QString programWritableDir() {
  const QString beside = executableDir();
  if (QFileInfo(beside).isWritable())
    return beside;
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  QDir().mkpath(data);
  return data;
}

QString defaultOutputFolder() { return programWritableDir() + QStringLiteral("/zp"); }
QString scratchFolder() { return programWritableDir() + QStringLiteral("/user"); }

} // namespace kuvo
