#pragma once
// "开始处理" and "停止处理": the run of the job over the file list on a thread
// of its own, the wait window, the publishing after the run (upload, link
// page, PDF) and the upload switch with the network parameters.
#include "engine/batch_run.h"
#include "publish/run_publisher.h"
#include "publish/upload_settings.h"

#include <QWidget>
#include <memory>

class QPushButton;
class QThread;

namespace kuvo {

class FileListPanel;
class JobModel;
class RunBridge;
class WaitWindow;

class RunControls : public QWidget {
  Q_OBJECT
public:
  RunControls(JobModel *model, FileListPanel *list, QWidget *parent = nullptr);
  ~RunControls() override;

  void startRun();
  void stopRun();
  bool isRunning() const { return thread_ != nullptr; }
  // Stops a run and waits until its pictures in progress are saved.
  void stopAndWait();
  // Hands the job as it stands to a running run: a change made between
  // pictures applies to the pictures that follow.
  void jobChanged();
  WaitWindow *waitWindow() const { return wait_; }

  const UploadSettings &uploadSettings() const { return upload_; }
  // The upload switch was clicked; false when it has to go off again
  // (no server set even after the network parameters were offered).
  bool uploadSwitchClicked(bool on);
  // The network parameters. Confirmed parameters are stored at once, the
  // password never: it is asked for once per session.
  bool editUploadSettings();
  bool askUploadPassword();

signals:
  void status(const QString &text);
  // The job was refused with its message; the window opens what fixes it
  // (the add-files chooser, the width box, the output folder chooser).
  void startRefused(kuvo::StartProblem problem);
  void runProgressed(int done, int total); // after each picture of a run
  void runFinished();

private:
  void committed(int done, int total);
  void finished();
  void showIdle();

  JobModel *model_;
  FileListPanel *list_;
  QPushButton *cmdDone_ = nullptr, *cmdStop_ = nullptr;
  WaitWindow *wait_ = nullptr;

  UploadSettings upload_;
  QString passwordAskedFor_; // the user whose password was asked this session
  std::unique_ptr<BatchRun> run_;
  struct {
    QStringList files, outputSubfolders;
  } runList_; // the list as the run started
  std::unique_ptr<RunPublisher> publisher_;
  RunBridge *bridge_ = nullptr;
  QThread *thread_ = nullptr;
  bool stopping_ = false;
  bool restartAfterRun_ = false;
  bool previewOnBeforeRun_ = true;
};

} // namespace kuvo
