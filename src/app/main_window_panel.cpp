// The main window: the preview refresh, the preview side of the position lists and the window's event filter.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/overlay_panel.h"
#include "app/widget_helpers.h"
#include "app/size_panel.h"
#include "viewer/frm_pic.h"
#include "engine/pipeline.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QUrl>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QTextBrowser>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

namespace kuvo {

// A position list entry was chosen: "自定义" places that watermark on the
// preview by dragging, "平铺" drags its grid; either ends the move mode.
void MainWindow::positionChosen(bool text, int index) {
  if (mXYPos_)
    mXYPos_->setEnabled(false);
  if (index == AnchorFree) {
    target_ = text ? PlacementTarget::Text : PlacementTarget::Picture;
    if (moveMode_)
      leaveMoveMode();
    const double x = text ? job_.textX : job_.pictureWatermarkX;
    const double y = text ? job_.textY : job_.pictureWatermarkY;
    if (!(x == 0 && y == 0) && !shownRect_.isEmpty())
      blinkMarker(text ? lblPos_ : lblPosImg_, true);
    picImg_->setFocus();
  } else if (index == AnchorTile) {
    if (moveMode_)
      leaveMoveMode();
  }
}

void MainWindow::connectPanel() {
  connect(overlay_, &OverlayPanel::status, this, &MainWindow::ShowStatus);
  connect(overlay_, &OverlayPanel::positionChosen, this, &MainWindow::positionChosen);
  connect(overlay_, &OverlayPanel::borderCleared, this, [this] { size_->switchMode(SizeFixedWidth); });
  connect(overlay_, &OverlayPanel::previewFocusWanted, this, [this] { picImg_->setFocus(); });
  connect(size_, &SizePanel::fitBorderChosen, overlay_, &OverlayPanel::fitBorderChosen);
  connect(cmdDone_, &QPushButton::clicked, this, &MainWindow::startRun);
  connect(cmdStop_, &QPushButton::clicked, this, &MainWindow::stopRun);
}

void MainWindow::settingsChanged() {
  if (run_)
    run_->updateSettings(jobSettings());
  ReDrawPic();
}

void MainWindow::setLivePreview(bool on) {
  previewOff_ = !on;
  mShowOn_->setChecked(on);
  mShowOn2_->setChecked(on);
  if (on)
    ReDrawPic();
}

// Preview: one computation at a time; a request made while one runs
// replaces any request still waiting, so only the newest is shown.
void MainWindow::ReDrawPic() {
  if (!loaded() || previewOff_)
    return;
  if (list_->currentRow() < 0) {
    previewImage_ = QImage();
    placement_ = OverlayPlacement();
    imgM_->clear();
    imgM_->setText(IdlePreviewText);
    imgM_->show();
    layoutPreview();
    return;
  }
  // Something to preview: the news page gives way.
  if (web_)
    web_->hide();
  if (previewWatcher_.isRunning()) {
    previewPending_ = true;
    return;
  }
  startPreview();
}

void MainWindow::startPreview() {
  previewPending_ = false;
  const int row = list_->currentRow();
  if (row < 0)
    return;
  ProcessingSettings s = jobSettings();
  DecodedSourceCache *sources = &previewSources_;
  previewWatcher_.setFuture(
      QtConcurrent::run([s = std::move(s), row, sources] { return funImgDone(s, row, sources); }));
}

void MainWindow::previewDone() {
  if (previewPending_) {
    startPreview();
    return;
  }
  const PipelineResult result = previewWatcher_.result();
  const int row = list_->currentRow();
  if (row < 0)
    return; // the list was emptied meanwhile
  if (result.canvas.isNull()) {
    // Nothing to show: no stale picture of another entry, and the reason.
    previewImage_ = QImage();
    placement_ = OverlayPlacement();
    imgM_->clear();
    imgM_->hide();
    layoutPreview();
    ShowStatus(previewFailureText(list_->path(row), result.errorText));
    emit previewShown();
    return;
  }
  imgM_->show();
  previewImage_ = result.canvas;
  placement_ = result.placement;
  // Anchored watermarks store where they landed, so switching to a free
  // position keeps them in place.
  storePlacement(job_, result.placement);
  if (!result.placement.statusText.isEmpty())
    ShowStatus(result.placement.statusText);
  showPreviewPixmap();
  emit previewShown();
}

bool MainWindow::previewBusy() const {
  return previewWatcher_.isRunning() || previewPending_;
}

void MainWindow::showPreviewPixmap() {
  layoutPreview();
}

// First clicks, keys of the list and drops on the list and the preview.
bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if (watched == picImg_ && previewEvent(event))
    return true;
  if (watched == txtPicTxt_) {
    if (type == QEvent::FocusIn)
      ShowStatus(QStringLiteral("【提示】请输入对该图片的说明，该说明将在PDF文档或被整合到网页中。"));
    const int key = type == QEvent::KeyPress ? static_cast<QKeyEvent *>(event)->key() : 0;
    if (key == Qt::Key_Escape) {
      txtPicTxt_->hide();
      picImg_->setFocus();
      return true;
    }
    // Enter stores the caption and stops here: passed on, it would reach the
    // preview, where Enter opens the viewer.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      storeCaption();
      return true;
    }
  }
  if (type == QEvent::MouseButtonPress && watched->property("kuvoFirstHint").isValid() &&
      !firstClickDone_.contains(watched)) {
    firstClickDone_.insert(watched);
    ShowStatus(watched->property("kuvoFirstHint").toString());
  }
  if (watched == picImg_ &&
             (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
    auto *drag = static_cast<QDropEvent *>(event);
    if (!drag->mimeData()->hasImage() && !drag->mimeData()->hasUrls())
      return false;
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop)
      dropData(drag->mimeData(), true);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

} // namespace kuvo
