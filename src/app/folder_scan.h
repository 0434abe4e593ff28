#pragma once
// Scanning a folder for pictures away from the window thread. The window
// starts a FolderScan, shows its progress and takes the paths when it ends.
#include <QFutureWatcher>
#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>

namespace kuvo {

// The accepted pictures of folder, its own files first (name order, hidden
// files left out), then with recursive each subfolder that is not hidden, in
// name order, the same way. progress(found) is called now and then; the scan
// ends early when cancel becomes true.
QStringList scanFolderPictures(const QString &folder, bool recursive, const std::atomic<bool> &cancel,
                               const std::function<void(int found, const QString &folder)> &progress = {});

class FolderScan : public QObject {
  Q_OBJECT
public:
  explicit FolderScan(QObject *parent = nullptr);
  ~FolderScan() override;

  void start(const QString &folder, bool recursive);
  void cancel() { cancel_ = true; }
  bool isRunning() const { return watcher_.isRunning(); }
  // Blocks until the scan has ended (for shutdown and tests).
  void waitForFinished() { watcher_.waitForFinished(); }

signals:
  void progress(int found, const QString &folder);
  void finished(const QStringList &pictures, bool cancelled);

private:
  QFutureWatcher<QStringList> watcher_;
  std::atomic<bool> cancel_{false};
};

} // namespace kuvo
