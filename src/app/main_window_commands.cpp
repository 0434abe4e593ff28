// The menu bar's commands and the shell's requests, each wired to the panel
// or the window tool that carries it out.
#include "app/adjustments_panel.h"
#include "app/file_list_panel.h"
#include "app/info_panel.h"
#include "app/main_window.h"
#include "app/output_panel.h"
#include "app/overlay_panel.h"
#include "app/preview_panel.h"
#include "app/run_controls.h"
#include "app/tool_strips.h"
#include "app/window_menus.h"
#include "app/window_shell.h"
#include "viewer/frm_pic.h"

namespace kuvo {

void MainWindow::connectMenus() {
  WindowMenus *m = menus_;
  connect(m, &WindowMenus::status, this, &MainWindow::ShowStatus);
  connect(m, &WindowMenus::addFilesRequested, list_, &FileListPanel::chooseAndAddFiles);
  connect(m, &WindowMenus::addFolderRequested, list_, &FileListPanel::chooseAndAddFolder);
  connect(m, &WindowMenus::removeRequested, this, &MainWindow::removeSelected);
  connect(m, &WindowMenus::clearRequested, this, &MainWindow::clearList);
  connect(m, &WindowMenus::restoreRequested, this, &MainWindow::restoreRemoved);
  connect(m, &WindowMenus::outputFolderRequested, output_, &OutputPanel::chooseOutputFolder);

  connect(m, &WindowMenus::brightnessRequested, adjust_, &AdjustmentsPanel::showBrightnessPanel);
  connect(m, &WindowMenus::matrixRequested, adjust_, &AdjustmentsPanel::showMatrixPanel);
  connect(m, &WindowMenus::textWatermarkRequested, overlay_, &OverlayPanel::openTextDialog);
  connect(m, &WindowMenus::pictureWatermarkRequested, overlay_, &OverlayPanel::choosePictureAndTick);
  connect(m, &WindowMenus::cropRequested, this, [this] { openViewer(false, true); });
  connect(m, &WindowMenus::moveRequested, preview_, &PreviewPanel::enterMoveMode);
  connect(m, &WindowMenus::originResetRequested, preview_, &PreviewPanel::resetOrigin);

  connect(m, &WindowMenus::livePreviewToggled, this, &MainWindow::setLivePreview);
  connect(m, &WindowMenus::optionsRequested, this, [this](frmOption::Face face) { openOptions(face); });
  connect(m, &WindowMenus::saveJobRequested, this, [this](const QString &path) { saveJob(path); });
  connect(m, &WindowMenus::loadJobRequested, this, [this](const QString &path) { loadJob(path); });
  connect(m, &WindowMenus::captionRequested, preview_, &PreviewPanel::showCaptionBox);
  connect(m, &WindowMenus::topStripPinned, this, [this](bool on) { strips_->setPinned(frame4_, on); });
  connect(m, &WindowMenus::sideStripPinned, this, [this](bool on) { strips_->setPinned(frame3_, on); });

  connect(m, &WindowMenus::originalFullScreenRequested, this, &MainWindow::showOriginalFullScreen);
  connect(m, &WindowMenus::processedFullScreenRequested, this, &MainWindow::showProcessedFullScreen);
  connect(m, &WindowMenus::listBrowseRequested, this, [this] { browseOriginals(ViewerMode::List); });
  connect(m, &WindowMenus::slideShowRequested, this, [this] { browseOriginals(ViewerMode::SlideShow); });

  connect(m, &WindowMenus::screenCaptureRequested, this, &MainWindow::startScreenCapture);
  connect(m, &WindowMenus::webcamRequested, this, &MainWindow::startWebcam);
  connect(m, &WindowMenus::wordImportRequested, this, &MainWindow::importWordPictures);
  connect(m, &WindowMenus::networkSettingsRequested, run_, &RunControls::editUploadSettings);

  connect(shell_, &WindowShell::infoPanelShown, this, &MainWindow::refreshInfoPanel);
  connect(preview_, &PreviewPanel::previewShown, this, &MainWindow::refreshInfoPanel);
  connect(this, &MainWindow::runFinished, this,
          [this] { shell_->infoPanel()->setRunResult(QStringLiteral("上次处理:") + statusText()); });
}

} // namespace kuvo
