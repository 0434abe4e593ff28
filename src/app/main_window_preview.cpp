// The main window's side of the preview: the panel's requests answered by the
// list, the viewer, the menus and the borders-and-watermarks panel.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/overlay_panel.h"
#include "app/preview_panel.h"

#include <QAction>
#include <QApplication>

namespace kuvo {

void MainWindow::connectPreview() {
  connect(preview_, &PreviewPanel::status, this, &MainWindow::ShowStatus);
  connect(preview_, &PreviewPanel::fullScreenRequested, this, &MainWindow::showProcessedFullScreen);
  connect(preview_, &PreviewPanel::originalRequested, this, [this] { openViewer(false, false); });
  connect(preview_, &PreviewPanel::dropped, this, [this](const QMimeData *data) { dropData(data, true); });
  connect(preview_, &PreviewPanel::originEntryEnabled, this, [this](bool on) {
    if (mXYPos_)
      mXYPos_->setEnabled(on);
  });
  // The arrows without a placement walk through the list; past either end
  // the system beeps.
  connect(preview_, &PreviewPanel::stepRequested, this, [this](int delta) {
    const int row = list_->currentRow() + delta;
    if (row < 0 || row >= list_->count())
      QApplication::beep();
    else
      list_->setCurrentRow(row);
  });
  // A watermark caught on the preview went to "自定义": its list shows it.
  connect(preview_, &PreviewPanel::anchorFreed, overlay_, &OverlayPanel::showJob);
}

} // namespace kuvo
