// The main window: the preview refresh, the preview side of the position lists and the window's event filter.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/run_controls.h"
#include "app/overlay_panel.h"
#include "app/preview_panel.h"
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
  if (index == AnchorFree)
    preview_->startPlacement(text ? PlacementTarget::Text : PlacementTarget::Picture);
  else if (index == AnchorTile && preview_->moveMode())
    preview_->leaveMoveMode();
}

void MainWindow::connectPanel() {
  connect(overlay_, &OverlayPanel::status, this, &MainWindow::ShowStatus);
  connect(overlay_, &OverlayPanel::positionChosen, this, &MainWindow::positionChosen);
  connect(overlay_, &OverlayPanel::borderCleared, this, [this] { size_->switchMode(SizeFixedWidth); });
  connect(overlay_, &OverlayPanel::previewFocusWanted, this, [this] { preview_->setFocus(); });
  connect(size_, &SizePanel::fitBorderChosen, overlay_, &OverlayPanel::fitBorderChosen);
}

void MainWindow::settingsChanged() {
  run_->jobChanged();
  ReDrawPic();
}

void MainWindow::setLivePreview(bool on) {
  model_->setLivePreview(on);
  if (on)
    ReDrawPic();
}

void MainWindow::ReDrawPic() {
  if (!loaded() || !model_->livePreview())
    return;
  const int row = list_->currentRow();
  preview_->refresh(row < 0 ? ProcessingSettings() : jobSettings(), row);
}

} // namespace kuvo
