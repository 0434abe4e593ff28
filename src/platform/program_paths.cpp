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

// One folder for both programs (~/.local/share/kuvo), so kuvo and kuvo-batch
// share their default output folder and upload history.
QString perUserDataDir() {
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (base.isEmpty())
    base = QDir::homePath() + QStringLiteral("/.local/share");
  return base + QStringLiteral("/kuvo");
}

ProgramFolders currentFolders() { return programFoldersFor(executableDir(), perUserDataDir()); }
} // namespace

ProgramFolders programFoldersFor(const QString &exeDir, const QString &perUserDir) {
  ProgramFolders folders{exeDir, exeDir};
  const bool dataBeside =
      QFileInfo::exists(exeDir + QStringLiteral("/size.ini")) || QFileInfo::exists(exeDir + QStringLiteral("/bk"));
  const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/../share/kuvo"));
  const bool isInstalled = !dataBeside && QFileInfo(installed).isDir();
  if (isInstalled)
    folders.data = installed;
  // An installed bin/ is writable for root, but zp/ and user/ never belong
  // among the system's programs.
  if (isInstalled || !QFileInfo(exeDir).isWritable())
    folders.writable = perUserDir;
  return folders;
}

QString programDataDir() { return currentFolders().data; }

QString programWritableDir() {
  const QString dir = currentFolders().writable;
  QDir().mkpath(dir);
  return dir;
}

QString defaultOutputFolder() { return programWritableDir() + QStringLiteral("/zp"); }
QString scratchFolder() { return programWritableDir() + QStringLiteral("/user"); }

} // namespace kuvo
