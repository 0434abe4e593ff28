#include "app/folder_scan.h"

#include "engine/picture_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

namespace kuvo {

namespace {
struct Scanner {
  const std::atomic<bool> &cancel;
  const std::function<void(int, const QString &)> &progress;
  QStringList found;
  QElapsedTimer sinceReport;

  void report(const QString &folder) {
    if (progress && sinceReport.elapsed() >= 100) {
      progress(static_cast<int>(found.size()), folder);
      sinceReport.restart();
    }
  }

  void scan(const QString &folder, bool recursive) {
    if (cancel)
      return;
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &info : files) {
      if (isAcceptedPicture(info.fileName()))
        found << info.absoluteFilePath();
    }
    report(folder);
    if (!recursive)
      return;
    const QFileInfoList dirs = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &info : dirs) {
      if (cancel)
        return;
      // Symbolic links to folders are not followed, so a link loop cannot trap the scan.
      if (info.isSymLink())
        continue;
      scan(info.absoluteFilePath(), true);
    }
  }
};
} // namespace

QStringList scanFolderPictures(const QString &folder, bool recursive, const std::atomic<bool> &cancel,
                               const std::function<void(int, const QString &)> &progress) {
  Scanner scanner{cancel, progress, {}, {}};
  scanner.sinceReport.start();
  scanner.scan(QDir::cleanPath(folder), recursive);
  if (progress)
    progress(static_cast<int>(scanner.found.size()), folder);
  return scanner.found;
}

FolderScan::FolderScan(QObject *parent) : QObject(parent) {
  connect(&watcher_, &QFutureWatcher<QStringList>::finished, this,
          [this] { emit finished(watcher_.result(), cancel_.load()); });
}

FolderScan::~FolderScan() {
  cancel_ = true;
  watcher_.waitForFinished();
}

void FolderScan::start(const QString &folder, bool recursive) {
  cancel_ = false;
  watcher_.setFuture(QtConcurrent::run([this, folder, recursive] {
    return scanFolderPictures(folder, recursive, cancel_, [this](int found, const QString &where) {
      // Queued to the window thread: the receiver lives there.
      QMetaObject::invokeMethod(
          this, [this, found, where] { emit progress(found, where); }, Qt::QueuedConnection);
    });
  }));
}

} // namespace kuvo
