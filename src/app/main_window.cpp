#include "app/main_window.h"

#include "app/file_list_panel.h"
#include "app/overlay_panel.h"
#include "app/job_model.h"
#include "app/output_panel.h"
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

namespace {
QFrame *marker(QWidget *parent, const char *name, const char *color) {
  auto *m = new QFrame(parent);
  m->setObjectName(QLatin1String(name));
  m->setAttribute(Qt::WA_TransparentForMouseEvents);
  m->setStyleSheet(QStringLiteral("QFrame#%1{background:%2;border:none;}")
                       .arg(QLatin1String(name), QLatin1String(color)));
  m->hide();
  return m;
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), model_(new JobModel(this)), job_(model_->fields()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(AppTitle + VersionText);
  setAcceptDrops(true);
  job_.outputFolder = defaultOutputFolder();
  model_->setChooserFolder(programDataDir());

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
  middleLayout->addWidget(buildRotationBar());
  auto *previewRow = new QHBoxLayout;
  previewRow->setSpacing(6);
  previewRow->addWidget(buildPreviewArea(), 1);
  previewRow->addWidget(buildSideStrip());
  middleLayout->addLayout(previewRow, 1);
  buildBrightnessPanel(middle);
  buildMatrixPanel(middle);
  middleLayout->addWidget(frmTZ_);
  middleLayout->addWidget(frmeJZ_);

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
  cmdDone_ = named(new QPushButton(QStringLiteral("开始处理"), right), "cmdDone");
  cmdStop_ = named(new QPushButton(QStringLiteral("停止处理"), right), "cmdStop");
  cmdDone_->setMinimumHeight(40);
  cmdStop_->setMinimumHeight(40);
  QFont runFont = cmdDone_->font();
  runFont.setPointSizeF(runFont.pointSizeF() * 1.15);
  runFont.setBold(true);
  cmdDone_->setFont(runFont);
  cmdStop_->setEnabled(false);
  auto *runRow = new QHBoxLayout;
  runRow->addWidget(cmdDone_, 3);
  runRow->addWidget(cmdStop_, 2);
  rightLayout->addLayout(runRow);
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

  wait_ = new WaitWindow(this);
  wait_->hide();
  connectFileList();
  connect(&previewWatcher_, &QFutureWatcher<PipelineResult>::finished, this, &MainWindow::previewDone);

  connectPanel();
  // Every change of the job refreshes the preview and reaches a running job.
  connect(model_, &JobModel::changed, this, [this] { settingsChanged(); });
  connect(output_, &OutputPanel::status, this, &MainWindow::ShowStatus);
  connect(size_, &SizePanel::status, this, &MainWindow::ShowStatus);
  connect(output_, &OutputPanel::folderChosen, this, [this](const QString &f) { model_->setChooserFolder(f); });
  connect(output_, &OutputPanel::uploadClicked, this, &MainWindow::uploadSwitchClicked);
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
  const QStringList rotations{QStringLiteral("取消旋转"),         QString(),
                              QStringLiteral("智能旋转数码照片"), QStringLiteral("顺转90度"),
                              QStringLiteral("逆转90度"),         QStringLiteral("旋转180度"),
                              QStringLiteral("水平镜像"),         QStringLiteral("垂直镜像")};
  auto *rotationGroup = new QActionGroup(this);
  for (int i = 0; i < 8; ++i) {
    if (i == 1) {
      rotation->addSeparator();
      continue;
    }
    mPRT_[i] = namedAction(rotation, rotations[i], QStringLiteral("mPRT_%1").arg(i));
    mPRT_[i]->setCheckable(true);
    rotationGroup->addAction(mPRT_[i]);
    connect(mPRT_[i], &QAction::triggered, this, [this, i] { rotationChosen(i); });
  }
  mPRT_[0]->setChecked(true);
  QMenu *channels = adjust->addMenu(QStringLiteral("色彩通道"));
  channels->setObjectName(QStringLiteral("mPCRMenu"));
  const QStringList channelNames{QStringLiteral("红色通道"), QStringLiteral("绿色通道"), QStringLiteral("蓝色通道")};
  for (int i = 0; i < 3; ++i) {
    mPCR_[i] = namedAction(channels, channelNames[i], QStringLiteral("mPCR_%1").arg(i));
    mPCR_[i]->setCheckable(true);
    mPCR_[i]->setChecked(true);
    connect(mPCR_[i], &QAction::toggled, this, [this, i](bool on) { channelToggled(i, on); });
  }
  QAction *mPLD = namedAction(adjust, QStringLiteral("调整亮度..."), QStringLiteral("mPLD"));
  QAction *mPPro = namedAction(adjust, QStringLiteral("高级..."), QStringLiteral("mPPro"));
  adjust->addSeparator();
  QAction *mSetTxt = namedAction(adjust, QStringLiteral("文字水印..."), QStringLiteral("mSetTxt"));
  QAction *mSetImg = namedAction(adjust, QStringLiteral("图片水印..."), QStringLiteral("mSetImg"));
  connect(mPLD, &QAction::triggered, this, [this] { frmTZ_->show(); });
  connect(mPPro, &QAction::triggered, this, &MainWindow::showMatrixPanel);
  connect(mSetTxt, &QAction::triggered, this, [this] { overlay_->openTextDialog(); });
  connect(mSetImg, &QAction::triggered, this, [this] { overlay_->choosePictureAndTick(); });

  effectsMenu_ = menuBar()->addMenu(QStringLiteral("特效(&X)"));
  effectsMenu_->setObjectName(QStringLiteral("mTXMenu"));
  auto *effects = new QActionGroup(this);
  mTXUndo_ = namedAction(effectsMenu_, QStringLiteral("无特效"), QStringLiteral("mTXUndo"));
  mTXUndo_->setCheckable(true);
  mTXUndo_->setChecked(true);
  effects->addAction(mTXUndo_);
  connect(mTXUndo_, &QAction::triggered, this, [this] { effectChosen(NoEffect); });
  effectsMenu_->addSeparator();
  const QStringList effectNames{QStringLiteral("一键美容"),  QStringLiteral("棱角分明"), QStringLiteral("暖黄记忆"),
                                QStringLiteral("华贵绛紫"),  QStringLiteral("棕褐怀旧"), QStringLiteral("夜色朦胧"),
                                QStringLiteral("陈旧往事"),  QStringLiteral("扫描线"),   QStringLiteral("浮雕"),
                                QStringLiteral("灰度"),      QStringLiteral("黑白"),     QStringLiteral("底片"),
                                QStringLiteral("BR_NotShow")};
  for (int i = 0; i < 13; ++i) {
    mTX_[i] = namedAction(effectsMenu_, effectNames[i], QStringLiteral("mTX_%1").arg(i));
    mTX_[i]->setCheckable(true);
    effects->addAction(mTX_[i]);
    connect(mTX_[i], &QAction::triggered, this, [this, i] { effectChosen(i); });
  }
  mTX_[12]->setVisible(false);

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
  picImg_ = named(new QFrame, "picImg");
  picImg_->setFrameShape(QFrame::StyledPanel);
  picImg_->setMinimumSize(300, 280);
  picImg_->setFocusPolicy(Qt::StrongFocus);
  picImg_->setAcceptDrops(true);
  picImg_->installEventFilter(this);
  picImg_->setContextMenuPolicy(Qt::CustomContextMenu);
  imgM_ = named(new QLabel(picImg_), "imgM");
  imgM_->setAlignment(Qt::AlignCenter);
  imgM_->setScaledContents(true);
  imgM_->setAttribute(Qt::WA_TransparentForMouseEvents);
  imgM_->setText(IdlePreviewText);
  lblPos_ = marker(picImg_, "lblPos", "rgba(229,57,53,210)");
  lblPosImg_ = marker(picImg_, "lblPosImg", "rgba(30,136,229,210)");
  lblPosMove_ = marker(picImg_, "lblPosMove", "#1e88e5");
  lblPosMove_->resize(int(MoveMarkerSize), int(MoveMarkerSize));
  lblPosMove_->setStyleSheet(QStringLiteral("QFrame#lblPosMove{background:#1e88e5;border:2px solid white;}"));
  web_ = named(new QTextBrowser(picImg_), "Web");
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
    if (!previewImage_.isNull())
      QApplication::clipboard()->setImage(previewImage_);
  });
  // A right click in move mode ends the mode instead of opening the menu.
  connect(picImg_, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    if (moveMode_)
      leaveMoveMode();
    else
      mImgOpt_->popup(picImg_->mapToGlobal(pos));
  });
  return picImg_;
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
  connect(cmdMR, &QToolButton::clicked, this, [this] { mTX_[0]->trigger(); });
  connect(cmdTX, &QToolButton::clicked, this,
          [this, cmdTX] { effectsMenu_->popup(cmdTX->mapToGlobal(QPoint(0, cmdTX->height()))); });
  layout->addSpacing(8);
  const QStringList names{QStringLiteral("红"), QStringLiteral("绿"), QStringLiteral("蓝")};
  const QStringList tips{QStringLiteral("红色分量大小(0-1)"), QStringLiteral("绿色分量大小(0-1)"),
                         QStringLiteral("蓝色分量大小(0-1)")};
  for (int i = 0; i < 3; ++i) {
    auto *row = new QHBoxLayout;
    auto *b = new QToolButton(strip);
    b->setObjectName(QStringLiteral("cmdRGB_%1").arg(i));
    b->setDefaultAction(mPCR_[i]);
    b->setText(names[i]);
    txtRGB_[i] = new QLineEdit(QStringLiteral("1"), strip);
    txtRGB_[i]->setObjectName(QStringLiteral("txtRGB_%1").arg(i));
    txtRGB_[i]->setToolTip(tips[i]);
    txtRGB_[i]->setMaximumWidth(40);
    txtRGB_[i]->installEventFilter(this);
    row->addWidget(b);
    row->addWidget(txtRGB_[i]);
    layout->addLayout(row);
    connect(txtRGB_[i], &QLineEdit::textChanged, this, [this] { channelBoxesChanged(); });
  }
  buildPlacementControls(strip);
  layout->addStretch();
  frame3_ = strip;
  return strip;
}

QWidget *MainWindow::buildRotationBar() {
  auto *bar = named(new QFrame, "Frame4");
  auto *layout = new QHBoxLayout(bar);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  struct Entry {
    int index;
    const char *text;
    const char *tip;
  };
  const Entry entries[] = {{0, "原图", "恢复图片原始方向"}, {2, "自动", "自动扶正非正常方向拍摄的数码照片"},
                           {3, "+90", "顺时针旋转90度"},    {4, "-90", "逆时针旋转90度"},
                           {5, "180", "旋转180度"},         {6, "水平", "以水平线为轴镜像"},
                           {7, "垂直", "以垂线为轴镜像"}};
  layout->addWidget(new QLabel(QStringLiteral("方向:"), bar));
  for (const Entry &e : entries) {
    auto *b = new QToolButton(bar);
    b->setObjectName(QStringLiteral("cmdR_%1").arg(e.index));
    b->setText(QString::fromUtf8(e.text));
    b->setToolTip(QString::fromUtf8(e.tip));
    b->setCheckable(true);
    b->setAutoExclusive(true);
    b->setChecked(e.index == 0);
    b->setMinimumWidth(48);
    connect(b, &QToolButton::clicked, this, [this, i = e.index] { mPRT_[i]->trigger(); });
    connect(mPRT_[e.index], &QAction::toggled, b, [b](bool on) {
      if (on)
        b->setChecked(true);
    });
    layout->addWidget(b);
  }
  layout->addStretch();
  frame4_ = bar;
  return bar;
}

void MainWindow::buildBrightnessPanel(QWidget *parent) {
  frmTZ_ = named(new QGroupBox(QStringLiteral("亮度"), parent), "frmTZ");
  sldLD_ = named(new QSlider(Qt::Horizontal, frmTZ_), "sldLD");
  sldLD_->setRange(-75, 75);
  auto *cmdLD = named(new QPushButton(QStringLiteral("默认"), frmTZ_), "cmdLD");
  auto *cmdCloseTZ = named(new QPushButton(QStringLiteral("关闭"), frmTZ_), "cmdCloseTZ");
  auto *layout = new QHBoxLayout(frmTZ_);
  layout->addWidget(new QLabel(QStringLiteral("亮度"), frmTZ_));
  layout->addWidget(sldLD_, 1);
  layout->addWidget(cmdLD);
  layout->addWidget(cmdCloseTZ);
  connect(cmdLD, &QPushButton::clicked, this, [this] { sldLD_->setValue(0); });
  connect(cmdCloseTZ, &QPushButton::clicked, frmTZ_, &QWidget::hide);
  connect(sldLD_, &QSlider::valueChanged, this, [this](int v) {
    job_.brightness = v;
    mTX_[12]->setChecked(true);
    effectChosen(12);
  });
  frmTZ_->hide();
}

void MainWindow::buildMatrixPanel(QWidget *parent) {
  frmeJZ_ = named(new QGroupBox(QStringLiteral("颜色矩阵调整"), parent), "frmeJZ");
  auto *grid = new QGridLayout(frmeJZ_);
  grid->setSpacing(3);
  for (int i = 0; i < 25; ++i) {
    Text1_[i] = new QLineEdit(frmeJZ_);
    Text1_[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
    Text1_[i]->setMaximumWidth(56);
    Text1_[i]->setAlignment(Qt::AlignRight);
    grid->addWidget(Text1_[i], i / 5, i % 5);
    connect(Text1_[i], &QLineEdit::textEdited, this, [this, i] { matrixBoxChanged(i); });
  }
  auto *ok = named(new QPushButton(QStringLiteral("确定"), frmeJZ_), "cmdJZOK");
  auto *cancel = named(new QPushButton(QStringLiteral("取消"), frmeJZ_), "cmdJZCancel");
  grid->addWidget(ok, 0, 5);
  grid->addWidget(cancel, 1, 5);
  grid->setColumnStretch(6, 1);
  connect(ok, &QPushButton::clicked, frmeJZ_, &QWidget::hide);
  connect(cancel, &QPushButton::clicked, this, [this] {
    job_.imageMatrix = savedMatrix_;
    frmeJZ_->hide();
    settingsChanged();
  });
  frmeJZ_->hide();
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
  ProcessingSettings s = job_;
  s.files = files();
  if (keepFolderTree_ && list_->hasTreeFolders()) {
    s.outputSubfolders.reserve(s.files.size());
    for (const QString &file : s.files)
      s.outputSubfolders << list_->treeFolder(file);
  }
  return s;
}

void MainWindow::resizeEvent(QResizeEvent *event) {
  QMainWindow::resizeEvent(event);
  layoutPreview();
}

} // namespace kuvo
