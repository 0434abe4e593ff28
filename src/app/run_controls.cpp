#include "app/run_controls.h"

#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/wait_window.h"
#include "app/widget_helpers.h"
#include "app/window_rules.h"
#include "platform/settings_store.h"
#include "publish/ftp_settings_dialog.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
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

namespace {
const QString StartCaption = QStringLiteral("开始处理");

QString progressCaption(int done, int total) {
  return QStringLiteral("进度:") + QString::number(done) + QStringLiteral("/") + QString::number(total);
}
} // namespace

RunControls::RunControls(JobModel *model, FileListPanel *list, QWidget *parent)
    : QWidget(parent), model_(model), list_(list) {
  setObjectName(QStringLiteral("frmRun"));
  cmdDone_ = named(new QPushButton(StartCaption, this), "cmdDone");
  cmdStop_ = named(new QPushButton(QStringLiteral("停止处理"), this), "cmdStop");
  cmdDone_->setMinimumHeight(40);
  cmdStop_->setMinimumHeight(40);
  QFont runFont = cmdDone_->font();
  runFont.setPointSizeF(runFont.pointSizeF() * 1.15);
  runFont.setBold(true);
  cmdDone_->setFont(runFont);
  cmdStop_->setEnabled(false);
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(6);
  row->addWidget(cmdDone_, 3);
  row->addWidget(cmdStop_, 2);
  connect(cmdDone_, &QPushButton::clicked, this, &RunControls::startRun);
  connect(cmdStop_, &QPushButton::clicked, this, &RunControls::stopRun);

  wait_ = new WaitWindow(parent ? parent : this);
  wait_->hide();

  QSettings store(settingsFilePath(), QSettings::IniFormat);
  store.beginGroup(QStringLiteral("Options"));
  loadUploadSettings(store, upload_);
}

RunControls::~RunControls() {
  stopAndWait();
  delete thread_;
}

void RunControls::startRun() {
  if (isRunning()) {
    // A stopped run is still saving its last pictures: start again once it
    // is done. A run that goes on is never queued a second time.
    if (stopping_) {
      restartAfterRun_ = true;
      cmdDone_->setEnabled(false);
    }
    return;
  }
  const ProcessingSettings s = list_->job();
  const StartProblem problem = checkJob(s, upload_.ftpServer, upload_.webUrlPrefix);
  if (problem != StartProblem::None) {
    QMessageBox::critical(window(), AppTitle, startProblemMessage(problem));
    if (problem == StartProblem::NoUploadServer || problem == StartProblem::NoWebPrefix)
      editUploadSettings();
    else
      emit startRefused(problem);
    return;
  }
  // The password lives in memory only: after a restart it is asked for once.
  if (s.upload && upload_.needsPassword() && passwordAskedFor_ != upload_.ftpUser && !askUploadPassword())
    return;
  if (asksToMinimise(s) && QMessageBox::question(window(), AppTitle, MinimiseQuestion,
                                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
    window()->showMinimized();

  QDir().mkpath(s.outputFolder);
  // The pictures are processed even while the live preview is off.
  previewOnBeforeRun_ = model_->livePreview();
  model_->setLivePreview(true);
  cmdStop_->setEnabled(true);
  cmdDone_->setEnabled(false);
  stopping_ = false;
  const int total = static_cast<int>(s.files.size());
  cmdDone_->setText(progressCaption(0, total));
  wait_->begin(total);
  wait_->show();

  runList_.files = s.files;
  runList_.outputSubfolders = s.outputSubfolders;
  run_ = std::make_unique<BatchRun>(s);
  publisher_ = std::make_unique<RunPublisher>(upload_);
  publisher_->attach(*run_);
  bridge_ = new RunBridge(this);
  run_->setObserver(bridge_);
  connect(bridge_, &RunBridge::statusText, this, &RunControls::status);
  connect(bridge_, &RunBridge::committed, this, &RunControls::committed);
  connect(bridge_, &RunBridge::ended, this, &RunControls::finished);
  BatchRun *run = run_.get();
  thread_ = QThread::create([run] { run->run(); });
  thread_->setObjectName(QStringLiteral("kuvo-run"));
  thread_->start();
}

void RunControls::committed(int done, int total) {
  wait_->setProgress(done, total);
  // Once stopped, the buttons already show idle.
  if (!stopping_)
    cmdDone_->setText(progressCaption(done, total));
  emit runProgressed(done, total);
}

void RunControls::stopRun() {
  if (run_) {
    run_->requestStop();
    stopping_ = true;
  }
  showIdle();
}

void RunControls::showIdle() {
  cmdDone_->setText(StartCaption);
  cmdDone_->setEnabled(true);
  cmdStop_->setEnabled(false);
}

void RunControls::stopAndWait() {
  if (run_)
    run_->requestStop();
  if (thread_)
    thread_->wait();
}

void RunControls::jobChanged() {
  if (!run_)
    return;
  // The run goes through the list as it stood at its start; entries removed
  // or added meanwhile must not move the folders of the pictures to come.
  ProcessingSettings s = list_->job();
  s.files = runList_.files;
  s.outputSubfolders = runList_.outputSubfolders;
  run_->updateSettings(s);
}

void RunControls::finished() {
  const RunSummary summary = bridge_->summary();
  const ProcessingSettings s = run_->currentSettings();
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  bridge_->deleteLater();
  bridge_ = nullptr;
  run_.reset();

  // Anchored watermark positions found during the run stay in the job.
  ProcessingSettings &job = model_->fields();
  job.textX = s.textX;
  job.textY = s.textY;
  job.pictureWatermarkX = s.pictureWatermarkX;
  job.pictureWatermarkY = s.pictureWatermarkY;

  const PublishOutcome published = publisher_ ? publisher_->outcome() : PublishOutcome();
  publisher_.reset();
  QWidget *owner = window();
  if (published.pdfTried && !published.pdf.ok)
    QMessageBox::critical(owner, AppTitle, published.pdf.errorMessage);
  if (s.openOutputFolder)
    QDesktopServices::openUrl(QUrl::fromLocalFile(s.outputFolder));
  if (s.upload && s.openLinkPage && !published.linkPagePath.isEmpty())
    QDesktopServices::openUrl(QUrl::fromLocalFile(published.linkPagePath));
  if (owner->isMinimized())
    owner->showMaximized();
  if (!summary.errorLogPath.isEmpty()) {
    const QString question = QStringLiteral("在处理过程中发生错误,这些错误已经保存到") +
                             QDir::toNativeSeparators(s.outputFolder + QStringLiteral("/ErrorLog.txt")) +
                             QStringLiteral("。\r\n现在查看错误记录吗？");
    if (QMessageBox::question(owner, AppTitle, question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
      QDesktopServices::openUrl(QUrl::fromLocalFile(summary.errorLogPath));
  }
  if (!list_->isScanning())
    wait_->hide();
  model_->setLivePreview(previewOnBeforeRun_);
  emit status(summary.closingText);

  stopping_ = false;
  showIdle();
  emit runFinished();
  if (restartAfterRun_) {
    restartAfterRun_ = false;
    startRun();
  }
}

bool RunControls::uploadSwitchClicked(bool on) {
  bool stays = true;
  if (on) {
    QMessageBox::warning(window(), UploadWarningTitle, UploadWarningText);
    if (!upload_.serverSet())
      editUploadSettings();
    // Still no server: the run would be refused, so the switch goes off again.
    stays = upload_.serverSet();
  }
  emit status(UploadSwitchHint);
  return stays;
}

bool RunControls::editUploadSettings() {
  if (!FtpSettingsDialog::edit(window(), upload_))
    return false;
  QSettings store(settingsFilePath(), QSettings::IniFormat);
  store.beginGroup(QStringLiteral("Options"));
  saveUploadSettings(store, upload_);
  return true;
}

bool RunControls::askUploadPassword() {
  bool ok = false;
  const QString password = QInputDialog::getText(
      window(), AppTitle,
      QStringLiteral("请输入FTP用户“%1”的密码(只在本次运行期间使用，不会保存):").arg(upload_.ftpUser),
      QLineEdit::Password, QString(), &ok);
  if (!ok)
    return false;
  upload_.ftpPassword = password;
  passwordAskedFor_ = upload_.ftpUser;
  return true;
}

} // namespace kuvo

#include "run_controls.moc"
