// The main window's ways into the viewer, the capture tools and the Word
// import.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/run_controls.h"

#include "capture/frm_cap.h"
#include "capture/frm_copy_src.h"
#include "engine/pipeline.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"
#include "publish/word_pictures.h"
#include "viewer/frm_pic.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QtConcurrent/QtConcurrentRun>

namespace kuvo {

void MainWindow::openViewer(bool processed, bool cropMode) {
  openViewer(processed, cropMode, ViewerMode::Single);
}

void MainWindow::openViewer(bool processed, bool cropMode, ViewerMode mode) {
  const int row = list_->currentRow();
  if (row < 0) {
    ShowStatus(QStringLiteral("【操作错误】请先在列表中选择一张图片。"));
    return;
  }
  ViewerOptions options;
  options.files = files();
  options.current = row;
  options.mode = mode;
  options.cropMode = cropMode && !processed;
  options.mainWindow = this;
  if (processed) {
    options.source = ViewerSource::Processed;
    const ProcessingSettings settings = jobSettings();
    options.processed = [settings](int index) { return funImgDone(settings, index).canvas; };
  }
  auto *viewer = new frmPic();
  connect(viewer, &frmPic::currentChanged, this,
          [this](int index) { list_->setCurrentRow(index); });
  connect(viewer, &frmPic::removed, this, [this](int index) { list_->removeEntry(index); });
  connect(viewer, &frmPic::statusMessage, this, &MainWindow::ShowStatus);
  connect(viewer, &frmPic::cropAdded, this, [this](const QString &path, int replaced) {
    list_->removeEntry(replaced);
    appendPicture(path);
  });
  viewer->open(options);
}

void MainWindow::startScreenCapture() {
  frmCopySrc *capture = frmCopySrc::start(this, 300);
  if (!capture)
    return;
  connect(capture, &frmCopySrc::pictureAdded, this, [this](const QString &path) { appendPicture(path); });
  connect(capture, &frmCopySrc::statusMessage, this, [this](const QString &text) { ShowStatus(text); });
}

void MainWindow::startWebcam() {
  ShowStatus(QStringLiteral("【提示】请确保摄像头已经与您的电脑连接好。"));
  frmCap dialog(this);
  connect(&dialog, &frmCap::pictureAdded, this, [this](const QString &path) { appendPicture(path); });
  connect(&dialog, &frmCap::statusMessage, this, [this](const QString &text) { ShowStatus(text); });
  dialog.exec();
}

void MainWindow::importWordPictures() {
  const QString document = QFileDialog::getOpenFileName(this, WordDialogTitle, QString(), WordDialogFilter);
  if (document.isEmpty())
    return;
  ShowStatus(QStringLiteral("【提示】正在从Word文档中导出图片,请稍候..."));
  // LibreOffice may take seconds on a .doc: the window stays live meanwhile.
  auto *watcher = new QFutureWatcher<WordImportResult>(this);
  connect(watcher, &QFutureWatcher<WordImportResult>::finished, this, [this, watcher] {
    const WordImportResult result = watcher->result();
    watcher->deleteLater();
    for (const QString &path : result.files)
      appendPicture(path);
    if (result.status == WordImportStatus::NoPictures)
      QMessageBox::information(this, AppTitle, WordNoPicturesText);
    else if (!result.message.isEmpty())
      QMessageBox::warning(this, AppTitle, result.message);
    ShowStatus(QStringLiteral("【提示】从Word文档中导入了%1张图片。").arg(result.files.size()) +
               linkedPicturesNote(result.linked));
  });
  watcher->setFuture(QtConcurrent::run([document] { return ImportWordPictures(document, scratchFolder()); }));
}

} // namespace kuvo
