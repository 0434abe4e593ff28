#include "app/folder_scan.h"

#include "engine/picture_files.h"

#include <QtConcurrent/QtConcurrentRun>

namespace kuvo {

QStringList scanFolderPictures(const QString &folder, bool recursive, const std::atomic<bool> &cancel,
                               const std::function<void(int, const QString &)> &progress) {
  return listPictures(folder, recursive, cancel, progress);
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
