// Running a job from the main window: the checks, the wait window, the
// progress caption, stop, and the steps after the run.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/output_panel.h"
#include "app/size_panel.h"
#include "app/wait_window.h"

#include <QCloseEvent>
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <mutex>

namespace kuvo {

// Receives the run's reports on the worker thread and hands them to the
// window thread through queued signals.
class RunBridge : public QObject, public BatchObserver {
  Q_OBJECT
public:
  using QObject::QObject;
  void status(const QString &text) override { emit statusText(text); }
  void pictureCommitted(const PictureOutcome &, int done, int total) override { emit committed(done, total); }
  void finished(const RunSummary &summary) override {
    {
      std::lock_guard lock(mutex_);
      summary_ = summary;
    }
    emit ended();
  }
  RunSummary summary() const {
    std::lock_guard lock(mutex_);
    return summary_;
  }

signals:
  void statusText(const QString &text);
  void committed(int done, int total);
  void ended();

private:
  mutable std::mutex mutex_;
  RunSummary summary_;
};

void MainWindow::startRun() {
  if (isRunning()) {
    // A stopped run is still saving its last pictures: start again once it is done.
    restartAfterRun_ = true;
    cmdDone_->setEnabled(false);
    return;
  }
  const ProcessingSettings s = jobSettings();
  const StartProblem problem = checkJob(s, upload_.ftpServer, upload_.webUrlPrefix);
  if (problem != StartProblem::None) {
    QMessageBox::critical(this, AppTitle, startProblemMessage(problem));
    switch (problem) {
    case StartProblem::EmptyList:
      list_->chooseAndAddFiles();
      break;
    case StartProblem::ZeroSize:
      size_->focusWidth();
      break;
    case StartProblem::NoOutputFolder:
      output_->chooseOutputFolder();
      break;
    case StartProblem::NoUploadServer:
    case StartProblem::NoWebPrefix:
      editUploadSettings();
      break;
    default:
      break;
    }
    return;
  }
  // The password lives in memory only: after a restart it is asked for once.
  if (s.upload && upload_.needsPassword() && passwordAskedFor_ != upload_.ftpUser && !askUploadPassword())
    return;
  if (asksToMinimise(s) &&
      QMessageBox::question(this, AppTitle, MinimiseQuestion, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
    showMinimized();

  QDir().mkpath(s.outputFolder);
  // The pictures are processed even while the live preview is off.
  previewOffBeforeRun_ = previewOff_;
  previewOff_ = false;
  mShowOn_->setChecked(true);
  mShowOn2_->setChecked(true);
  cmdStop_->setEnabled(true);
  cmdDone_->setEnabled(false);
  const int total = static_cast<int>(s.files.size());
  cmdDone_->setText(QStringLiteral("进度:0/") + QString::number(total));
  wait_->begin(total);
  wait_->show();

  run_ = std::make_unique<BatchRun>(s);
  publisher_ = std::make_unique<RunPublisher>(upload_);
  publisher_->attach(*run_);
  bridge_ = new RunBridge(this);
  run_->setObserver(bridge_);
  connect(bridge_, &RunBridge::statusText, this, [this](const QString &text) { ShowStatus(text); });
  connect(bridge_, &RunBridge::committed, this, &MainWindow::runCommitted);
  connect(bridge_, &RunBridge::ended, this, &MainWindow::runFinishedHere);
  BatchRun *run = run_.get();
  runThread_ = QThread::create([run] { run->run(); });
  runThread_->setObjectName(QStringLiteral("kuvo-run"));
  runThread_->start();
}

void MainWindow::runCommitted(int done, int total) {
  wait_->setProgress(done, total);
  // Once stopped, the buttons already show idle.
  if (cmdStop_->isEnabled())
    cmdDone_->setText(QStringLiteral("进度:") + QString::number(done) + QStringLiteral("/") + QString::number(total));
  emit runProgressed(done, total);
}

void MainWindow::stopRun() {
  if (run_)
    run_->requestStop();
  cmdDone_->setEnabled(true);
  cmdDone_->setText(QStringLiteral("开始处理"));
  cmdStop_->setEnabled(false);
}

void MainWindow::runFinishedHere() {
  const RunSummary summary = bridge_->summary();
  const ProcessingSettings s = run_->currentSettings();
  runThread_->wait();
  delete runThread_;
  runThread_ = nullptr;
  bridge_->deleteLater();
  bridge_ = nullptr;
  run_.reset();

  // Anchored watermark positions found during the run stay in the job.
  job_.textX = s.textX;
  job_.textY = s.textY;
  job_.pictureWatermarkX = s.pictureWatermarkX;
  job_.pictureWatermarkY = s.pictureWatermarkY;

  const PublishOutcome published = publisher_ ? publisher_->outcome() : PublishOutcome();
  publisher_.reset();
  if (published.pdfTried && !published.pdf.ok)
    QMessageBox::critical(this, AppTitle, published.pdf.errorMessage);
  if (s.openOutputFolder)
    QDesktopServices::openUrl(QUrl::fromLocalFile(s.outputFolder));
  if (s.upload && s.openLinkPage && !published.linkPagePath.isEmpty())
    QDesktopServices::openUrl(QUrl::fromLocalFile(published.linkPagePath));
  if (isMinimized())
    showMaximized();
  QString closing = summary.closingText;
  if (!summary.errorLogPath.isEmpty()) {
    const QString question = QStringLiteral("在处理过程中发生错误,这些错误已经保存到") +
                             QDir::toNativeSeparators(s.outputFolder + QStringLiteral("/ErrorLog.txt")) +
                             QStringLiteral("。\r\n现在查看错误记录吗？");
    if (QMessageBox::question(this, AppTitle, question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
      QDesktopServices::openUrl(QUrl::fromLocalFile(summary.errorLogPath));
  }
  if (!isScanning())
    wait_->hide();
  previewOff_ = previewOffBeforeRun_;
  mShowOn_->setChecked(!previewOff_);
  mShowOn2_->setChecked(!previewOff_);
  ShowStatus(closing);

  cmdDone_->setText(QStringLiteral("开始处理"));
  cmdDone_->setEnabled(true);
  cmdStop_->setEnabled(false);
  emit runFinished();
  if (restartAfterRun_) {
    restartAfterRun_ = false;
    startRun();
  }
}

void MainWindow::closeEvent(QCloseEvent *event) {
  if (run_)
    run_->requestStop();
  if (runThread_)
    runThread_->wait();
  saveSettings();
  event->accept();
}

MainWindow::~MainWindow() {
  if (run_)
    run_->requestStop();
  if (runThread_) {
    runThread_->wait();
    delete runThread_;
  }
}

} // namespace kuvo

#include "main_window_run.moc"
