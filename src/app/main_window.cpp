#include "app/main_window.h"

#include "app/adjustments_panel.h"
#include "app/file_list_panel.h"
#include "app/overlay_panel.h"
#include "app/job_model.h"
#include "app/output_panel.h"
#include "app/preview_panel.h"
#include "app/run_controls.h"
#include "app/window_menus.h"
#include "app/window_shell.h"
#include "app/size_panel.h"
#include "app/widget_helpers.h"
#include "app/wait_window.h"
#include "engine/output_naming.h"
#include "platform/program_paths.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace kuvo {

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), model_(new JobModel(this)), job_(model_->fields()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(AppTitle + VersionText);
  setAcceptDrops(true);
  job_.outputFolder = defaultOutputFolder();
  model_->setChooserFolder(programDataDir());

  adjust_ = new AdjustmentsPanel(model_, this);
  connect(adjust_, &AdjustmentsPanel::status, this, &MainWindow::ShowStatus);
  menus_ = new WindowMenus(this, model_);
  adjust_->fillRotationMenu(menus_->rotationMenu());
  adjust_->fillChannelMenu(menus_->channelMenu());
  adjust_->fillEffectsMenu(menus_->effectsMenu());

  auto *central = new QWidget(this);
  auto *rows = new QVBoxLayout(central); // the columns, then "处理信息" when maximised
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  auto *outer = new QHBoxLayout;
  rows->addLayout(outer, 1);
  outer->setContentsMargins(8, 8, 8, 4);
  outer->setSpacing(8);

  list_ = new FileListPanel(model_);
  QWidget *listPanel = list_;
  listPanel->setMinimumWidth(220);
  listPanel->setMaximumWidth(340);

  auto *middle = new QWidget(central);
  auto *middleLayout = new QVBoxLayout(middle);
  middleLayout->setContentsMargins(0, 0, 0, 0);
  middleLayout->setSpacing(6);
  frame4_ = adjust_->buildRotationBar();
  middleLayout->addWidget(frame4_);
  auto *previewRow = new QHBoxLayout;
  previewRow->setSpacing(6);
  previewRow->addWidget(buildPreviewArea(), 1);
  previewRow->addWidget(buildSideStrip());
  middleLayout->addLayout(previewRow, 1);
  middleLayout->addWidget(adjust_->buildBrightnessPanel(middle));
  middleLayout->addWidget(adjust_->buildMatrixPanel(middle));

  auto *right = new QWidget(central);
  auto *rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->setSpacing(6);
  size_ = new SizePanel(model_);
  rightLayout->addWidget(size_);
  overlay_ = new OverlayPanel(model_);
  rightLayout->addWidget(overlay_);
  output_ = new OutputPanel(model_);
  rightLayout->addWidget(output_);
  rightLayout->addStretch();
  run_ = new RunControls(model_, list_, this);
  rightLayout->addWidget(run_);
  right->setFixedWidth(350);

  outer->addWidget(listPanel);
  outer->addWidget(middle, 1);
  outer->addWidget(right);
  setCentralWidget(central);

  lInfo_ = named(new QLabel(IdleStatus, this), "lInfo");
  lInfo_->setTextFormat(Qt::PlainText);
  lInfo_->setMinimumWidth(100);
  statusBar()->addWidget(lInfo_, 1);
  statusBar()->setSizeGripEnabled(true);

  connectFileList();

  connectPanel();
  connectPreview();
  // Every change of the job refreshes the preview and reaches a running job;
  // a caption changes no picture.
  connect(model_, &JobModel::changed, this, [this](JobModel::Group group) {
    if (group != JobModel::Group::Captions)
      settingsChanged();
    else
      run_->jobChanged();
  });
  // The two "实时预览" ticks follow the switch, also when a run turns it on.
  connect(model_, &JobModel::livePreviewChanged, this, [this](bool on) {
    mShowOn_->setChecked(on);
    menus_->tickLivePreview(on);
  });
  connect(output_, &OutputPanel::status, this, &MainWindow::ShowStatus);
  connect(size_, &SizePanel::status, this, &MainWindow::ShowStatus);
  connect(output_, &OutputPanel::folderChosen, this, [this](const QString &f) { model_->setChooserFolder(f); });
  connect(output_, &OutputPanel::uploadClicked, this, [this](bool on) {
    if (!run_->uploadSwitchClicked(on))
      output_->setUploadOn(false);
  });
  connectRun();
  connect(output_, &OutputPanel::optionsRequested, this, [this](frmOption::Face face) { openOptions(face); });
  buildPreviewExtras();
  buildCropButton();
  shell_ = new WindowShell(this, preview_, list_);
  preview_->setPage(shell_->newsPage());
  connectMenus();
  loadSettings();
  QDir().mkpath(defaultOutputFolder());
  QDir().mkpath(scratchFolder());
  list_->updateListState();
  ShowStatus(IdleStatus);
  // The design size, but never larger than the screen (1024 x 768 included).
  QSize start(1180, 760);
  if (const QScreen *s = screen())
    start = start.boundedTo(s->availableGeometry().size() - QSize(16, 40));
  resize(start.expandedTo(minimumSizeHint()));
  // The news page fills the idle preview area when it arrives.
  shell_->loadNewsPage();
  model_->setLoading(false);
}

QWidget *MainWindow::buildPreviewArea() {
  preview_ = new PreviewPanel(model_);

  mImgOpt_ = new QMenu(this);
  mImgOpt_->setObjectName(QStringLiteral("mImgOpt"));
  QAction *mSetTxtSY = namedAction(mImgOpt_, QStringLiteral("设置文字水印"), QStringLiteral("mSetTxtSY"));
  QAction *mSetPicSY = namedAction(mImgOpt_, QStringLiteral("设置图片水印"), QStringLiteral("mSetPicSY"));
  // The processed picture full screen, or the original cropped.
  QAction *mPCut = namedAction(mImgOpt_, QStringLiteral("裁剪原图"), QStringLiteral("mPCut"));
  mImgOpt_->addSeparator();
  QAction *mCopyPic = namedAction(mImgOpt_, QStringLiteral("复制图片"), QStringLiteral("mCopyPic"));
  QAction *mShowF = namedAction(mImgOpt_, QStringLiteral("全屏预览"), QStringLiteral("mShowF"));
  mShowOn_ = namedAction(mImgOpt_, QStringLiteral("实时预览"), QStringLiteral("mShowOn"));
  mShowOn_->setCheckable(true);
  mShowOn_->setChecked(true);
  connect(mShowOn_, &QAction::triggered, this, [this](bool on) { setLivePreview(on); });
  connect(mSetTxtSY, &QAction::triggered, this, [this] { overlay_->openTextDialog(); });
  connect(mPCut, &QAction::triggered, this, [this] { openViewer(false, true); });
  connect(mShowF, &QAction::triggered, this, &MainWindow::showProcessedFullScreen);
  connect(mSetPicSY, &QAction::triggered, this, [this] { overlay_->choosePictureAndTick(); });
  connect(mCopyPic, &QAction::triggered, this, [this] {
    if (!preview_->image().isNull())
      QApplication::clipboard()->setImage(preview_->image());
  });
  connect(preview_, &PreviewPanel::menuRequested, mImgOpt_, [this](const QPoint &at) { mImgOpt_->popup(at); });
  return preview_;
}

QWidget *MainWindow::buildSideStrip() {
  auto *strip = named(new QFrame, "Frame3");
  auto *layout = new QVBoxLayout(strip);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  auto tool = [strip, layout](const QString &text, const QString &tip, const char *name) {
    auto *b = named(new QToolButton(strip), name);
    b->setText(text);
    b->setToolTip(tip);
    b->setMinimumWidth(76);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(b);
    return b;
  };
  QToolButton *cmdTSet = tool(QStringLiteral("文本水印"), QStringLiteral("添加文字类型的水印"), "cmdTSet");
  QToolButton *cmdSetP = tool(QStringLiteral("图片水印"), QStringLiteral("添加图片类型的水印"), "cmdSetP");
  QToolButton *cmdMR = tool(QStringLiteral("美容"), QStringLiteral("快速人像美容"), "cmdMR");
  QToolButton *cmdTX = tool(QStringLiteral("更多特效"), QStringLiteral("选择图片特效"), "cmdTX");
  connect(cmdTSet, &QToolButton::clicked, this, [this] { overlay_->openTextDialog(); });
  connect(cmdSetP, &QToolButton::clicked, this, [this] { overlay_->choosePictureAndTick(); });
  connect(cmdMR, &QToolButton::clicked, this, [this] { adjust_->chooseEffect(0); });
  connect(cmdTX, &QToolButton::clicked, this,
          [this, cmdTX] { menus_->effectsMenu()->popup(cmdTX->mapToGlobal(QPoint(0, cmdTX->height()))); });
  layout->addSpacing(8);
  adjust_->addChannelRows(strip, layout);
  preview_->addOriginControls(strip, layout);
  layout->addStretch();
  frame3_ = strip;
  return strip;
}

void MainWindow::ShowStatus(const QString &text) {
  if (lInfo_)
    lInfo_->setText(statusLineText(text));
}

QString MainWindow::statusText() const {
  return lInfo_->text();
}

bool MainWindow::loaded() const {
  return !model_->isLoading();
}

void MainWindow::setOutputFolder(const QString &folder) {
  output_->setOutputFolder(folder);
}

ProcessingSettings MainWindow::jobSettings() const {
  return list_->job();
}

void MainWindow::resizeEvent(QResizeEvent *event) {
  QMainWindow::resizeEvent(event);
  preview_->layoutPreview();
}

} // namespace kuvo
