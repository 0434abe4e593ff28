// The main window's viewer commands: the original or the processed picture
// full screen, the thumbnail list and the slide show, each with the checks
// that keep the viewer from opening on nothing; and the side button that
// opens the viewer's crop tool.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/preview_panel.h"

#include "app/info_panel.h"
#include "app/window_shell.h"
#include "app/overlay_panel.h"
#include "app/size_panel.h"
#include "viewer/frm_pic.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace kuvo {

namespace {
const QString NothingToBrowse = QStringLiteral("【操作错误】当前没有图片可以浏览。");
} // namespace

// "裁剪图片" on the side strip, after the effects button.
void MainWindow::buildCropButton() {
  auto *layout = frame3_ ? qobject_cast<QVBoxLayout *>(frame3_->layout()) : nullptr;
  auto *effects = frame3_ ? frame3_->findChild<QToolButton *>(QStringLiteral("cmdTX")) : nullptr;
  if (layout) {
    auto *cut = new QToolButton(frame3_);
    cut->setObjectName(QStringLiteral("cmdImgCut"));
    cut->setText(QStringLiteral("裁剪图片"));
    cut->setToolTip(QStringLiteral("裁剪图片尺寸"));
    cut->setMinimumWidth(76);
    cut->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->insertWidget(effects ? layout->indexOf(effects) + 1 : 0, cut);
    connect(cut, &QToolButton::clicked, this, [this] { openViewer(false, true); });
  }
}

void MainWindow::showOriginalFullScreen() {
  if (list_->count() == 0) {
    ShowStatus(NothingToBrowse);
    return;
  }
  openViewer(false, false);
}

void MainWindow::showProcessedFullScreen() {
  const int mode = size_->mode();
  if (job_.widthText == QLatin1String("0") && job_.heightText == QLatin1String("0") && mode != SizeFitBorder &&
      mode != SizeOriginal) {
    QMessageBox::critical(this, AppTitle, QStringLiteral("图片尺寸不能同时为0！"));
    size_->focusWidth();
    return;
  }
  if (list_->currentRow() < 0 || preview_->image().isNull()) {
    ShowStatus(QStringLiteral("【操作错误】没有可预览的图片。"));
    return;
  }
  openViewer(true, false);
}

void MainWindow::browseOriginals(ViewerMode mode) {
  if (list_->count() == 0) {
    ShowStatus(NothingToBrowse);
    return;
  }
  if (mode == ViewerMode::List) {
    ShowStatus(QStringLiteral("【提示】正在启动多图浏览模式，请稍后……"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  openViewer(false, false, mode);
  if (mode == ViewerMode::List)
    QApplication::restoreOverrideCursor();
}

void MainWindow::refreshInfoPanel() {
  InfoPanel *info = shell_ ? shell_->infoPanel() : nullptr;
  if (!info || !info->isVisible())
    return;
  info->setJob(jobSummaryLines(jobSettings(), size_->modeName(), overlay_->borderName()));
}

} // namespace kuvo
