#include "app/main_window.h"

#include "app/adjustments_panel.h"
#include "app/file_list_panel.h"
#include "app/overlay_panel.h"
#include "app/job_model.h"
#include "app/output_panel.h"
#include "app/preview_panel.h"
#include "app/run_controls.h"
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
  buildMenus();

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
    mShowOn2_->setChecked(on);
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
  buildToolMenus(menuBar()->findChild<QMenu *>(QStringLiteral("mPic")));
  buildShellMenus();
  buildViewCommands();
  buildInfoPanel();
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
  loadNewsPage();
  model_->setLoading(false);
}

void MainWindow::buildMenus() {
  QMenu *file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
  file->setObjectName(QStringLiteral("mFile"));
  mAddFile_ = namedAction(file, QStringLiteral("添加单张或多张图片..."), QStringLiteral("mAddFile"));
  mAddDir_ = namedAction(file, QStringLiteral("添加文件夹内全部图片..."), QStringLiteral("mAddDir"));
  file->addSeparator();
  mDelFile_ = namedAction(file, QStringLiteral("移除所选图片"), QStringLiteral("mDelFile"));
  mClear_ = namedAction(file, QStringLiteral("清空添加的全部图片"), QStringLiteral("mClear"));
  mUndoDel_ = namedAction(file, QStringLiteral("重新载入移除的图片"), QStringLiteral("mUndoDel"));
  file->addSeparator();
  QAction *mTODir = namedAction(file, QStringLiteral("输出目录..."), QStringLiteral("mTODir"));
  file->addSeparator();
  QAction *mExit = namedAction(file, QStringLiteral("退    出"), QStringLiteral("mExit"));
  connect(mAddFile_, &QAction::triggered, this, [this] { list_->chooseAndAddFiles(); });
  connect(mAddDir_, &QAction::triggered, this, [this] { list_->chooseAndAddFolder(); });
  connect(mDelFile_, &QAction::triggered, this, &MainWindow::removeSelected);
  connect(mClear_, &QAction::triggered, this, &MainWindow::clearList);
  connect(mUndoDel_, &QAction::triggered, this, &MainWindow::restoreRemoved);
  connect(mTODir, &QAction::triggered, this, [this] {
    ShowStatus(QStringLiteral("【提示】选择输出文件夹,处理好的图片将存放到该文件夹。"));
    output_->chooseOutputFolder();
  });
  // Ends at once, without writing the settings back.
  connect(mExit, &QAction::triggered, this, [] { QApplication::exit(0); });

  QMenu *adjust = menuBar()->addMenu(QStringLiteral("调整(&P)"));
  adjust->setObjectName(QStringLiteral("mPic"));
  QMenu *rotation = adjust->addMenu(QStringLiteral("方向旋转"));
  rotation->setObjectName(QStringLiteral("mPRTMenu"));
  adjust_->fillRotationMenu(rotation);
  QMenu *channels = adjust->addMenu(QStringLiteral("色彩通道"));
  channels->setObjectName(QStringLiteral("mPCRMenu"));
  adjust_->fillChannelMenu(channels);
  QAction *mPLD = namedAction(adjust, QStringLiteral("调整亮度..."), QStringLiteral("mPLD"));
  QAction *mPPro = namedAction(adjust, QStringLiteral("高级..."), QStringLiteral("mPPro"));
  adjust->addSeparator();
  QAction *mSetTxt = namedAction(adjust, QStringLiteral("文字水印..."), QStringLiteral("mSetTxt"));
  QAction *mSetImg = namedAction(adjust, QStringLiteral("图片水印..."), QStringLiteral("mSetImg"));
  connect(mPLD, &QAction::triggered, adjust_, &AdjustmentsPanel::showBrightnessPanel);
  connect(mPPro, &QAction::triggered, adjust_, &AdjustmentsPanel::showMatrixPanel);
  connect(mSetTxt, &QAction::triggered, this, [this] { overlay_->openTextDialog(); });
  connect(mSetImg, &QAction::triggered, this, [this] { overlay_->choosePictureAndTick(); });

  effectsMenu_ = menuBar()->addMenu(QStringLiteral("特效(&X)"));
  effectsMenu_->setObjectName(QStringLiteral("mTXMenu"));
  adjust_->fillEffectsMenu(effectsMenu_);

  QMenu *options = menuBar()->addMenu(QStringLiteral("设置(&S)"));
  options->setObjectName(QStringLiteral("mSet"));
  mShowOn2_ = namedAction(options, QStringLiteral("实时预览"), QStringLiteral("mShowOn2"));
  mShowOn2_->setCheckable(true);
  mShowOn2_->setChecked(true);
  connect(mShowOn2_, &QAction::triggered, this, [this](bool on) { setLivePreview(on); });
  QAction *mUI = namedAction(options, QStringLiteral("简约/全屏模式转换"), QStringLiteral("mUI"));
  connect(mUI, &QAction::triggered, this, [this] {
    if (windowState() == Qt::WindowNoState)
      showMaximized();
    else
      showNormal();
  });

  QMenu *help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
  help->setObjectName(QStringLiteral("mHelp"));
  QAction *mReadMe = namedAction(help, QStringLiteral("使用指南"), QStringLiteral("mReadMe"));
  QAction *mAbout = namedAction(help, QStringLiteral("关于Kuvo..."), QStringLiteral("mAbout"));
  connect(mReadMe, &QAction::triggered, this,
          [] { QDesktopServices::openUrl(QUrl::fromLocalFile(programDataDir() + QStringLiteral("/ReadMe.txt"))); });
  connect(mAbout, &QAction::triggered, this, [this] {
    ShowStatus(IdleStatus);
    QMessageBox::information(this, AppTitle,
                             AppTitle + VersionText + QStringLiteral("\n\nKuvo开发组\n\n发布时间：2013年11月22日"));
  });
}

QWidget *MainWindow::buildPreviewArea() {
  preview_ = new PreviewPanel(model_);
  web_ = named(new QTextBrowser(preview_), "Web");
  preview_->setPage(web_);
  web_->setOpenExternalLinks(true);
  web_->setFrameShape(QFrame::NoFrame);
  web_->hide();

  mImgOpt_ = new QMenu(this);
  mImgOpt_->setObjectName(QStringLiteral("mImgOpt"));
  QAction *mSetTxtSY = namedAction(mImgOpt_, QStringLiteral("设置文字水印"), QStringLiteral("mSetTxtSY"));
  QAction *mSetPicSY = namedAction(mImgOpt_, QStringLiteral("设置图片水印"), QStringLiteral("mSetPicSY"));
  mImgOpt_->addSeparator();
  QAction *mCopyPic = namedAction(mImgOpt_, QStringLiteral("复制图片"), QStringLiteral("mCopyPic"));
  mShowOn_ = namedAction(mImgOpt_, QStringLiteral("实时预览"), QStringLiteral("mShowOn"));
  mShowOn_->setCheckable(true);
  mShowOn_->setChecked(true);
  connect(mShowOn_, &QAction::triggered, this, [this](bool on) { setLivePreview(on); });
  connect(mSetTxtSY, &QAction::triggered, this, [this] { overlay_->openTextDialog(); });
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
          [this, cmdTX] { effectsMenu_->popup(cmdTX->mapToGlobal(QPoint(0, cmdTX->height()))); });
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
