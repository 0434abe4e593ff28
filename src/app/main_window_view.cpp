// The main window's viewer commands: the original or the processed picture
// full screen, the thumbnail list and the slide show, each with the checks
// that keep the viewer from opening on nothing; and the side button that
// opens the viewer's crop tool.
#include "app/file_list_panel.h"
#include "app/job_model.h"
#include "app/main_window.h"
#include "app/preview_panel.h"

#include "app/info_panel.h"
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

void MainWindow::buildViewCommands() {
  QMenu *view = new QMenu(QStringLiteral("浏览(&V)"), this);
  view->setObjectName(QStringLiteral("mView"));
  // Between the settings and the tools menus.
  QMenu *tools = findChild<QMenu *>(QStringLiteral("mTools"));
  menuBar()->insertMenu(tools ? tools->menuAction() : nullptr, view);
  auto add = [this, view](const QString &text, const char *name, const QKeySequence &keys, auto slot) {
    QAction *a = view->addAction(text);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(keys);
    connect(a, &QAction::triggered, this, slot);
  };
  add(QStringLiteral("全屏查看原图"), "mViewSrc", QKeySequence(Qt::Key_F11), [this] { showOriginalFullScreen(); });
  add(QStringLiteral("全屏预览处理图"), "mViewDone", QKeySequence(Qt::Key_F12), [this] { showProcessedFullScreen(); });
  view->addSeparator();
  add(QStringLiteral("多图列表浏览原图"), "mViewList", QKeySequence(), [this] { browseOriginals(ViewerMode::List); });
  add(QStringLiteral("幻灯片模式浏览原图"), "mViewSlide", QKeySequence(Qt::Key_F5),
      [this] { browseOriginals(ViewerMode::SlideShow); });

  // "裁剪图片" on the side strip, after the effects button.
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

void MainWindow::buildInfoPanel() {
  info_ = new InfoPanel(centralWidget());
  info_->hide();
  if (auto *rows = qobject_cast<QVBoxLayout *>(centralWidget()->layout())) {
    // Out to the window's right edge less a small margin.
    auto *row = new QHBoxLayout;
    row->setContentsMargins(8, 0, 10, 4);
    row->addWidget(info_);
    rows->addLayout(row);
  }
  connect(preview_, &PreviewPanel::previewShown, this, &MainWindow::refreshInfoPanel);
  connect(this, &MainWindow::runFinished, this, [this] {
    info_->setRunResult(QStringLiteral("上次处理:") + statusText());
  });
}

void MainWindow::refreshInfoPanel() {
  if (!info_ || !info_->isVisible())
    return;
  info_->setJob(jobSummaryLines(jobSettings(), size_->modeName(), overlay_->borderName()));
}

void MainWindow::changeEvent(QEvent *event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange)
    applyWindowState();
}

void MainWindow::applyWindowState() {
  if (!info_)
    return;
  const bool maximised = isMaximized();
  info_->setVisible(maximised);
  if (maximised) {
    refreshInfoPanel();
    // The idle maximised window asks for the news page again.
    if (list_->count() == 0 && showToday_)
      loadNewsPage();
  } else if (web_) {
    web_->hide();
  }
}

} // namespace kuvo
