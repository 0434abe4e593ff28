// The window's shell: the options dialog, job files, the command line, the
// skin menu, the tool-strip switches, the help menu and the web panel.
#include "app/choosers.h"
#include "app/file_list_panel.h"
#include "app/main_window.h"
#include "app/run_controls.h"
#include "app/tile_controls.h"
#include "app/job_model.h"
#include "app/output_panel.h"
#include "app/adjustments_panel.h"
#include "app/overlay_panel.h"
#include "app/size_panel.h"
#include "app/info_panel.h"
#include "app/preview_panel.h"
#include "app/skins.h"
#include "app/tool_strips.h"
#include "app/web_links.h"
#include "engine/decoder.h"
#include "engine/job_file.h"
#include "engine/native_names.h"
#include "platform/settings_store.h"
#include "viewer/frm_pic.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSlider>
#include <QTextBrowser>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

namespace kuvo {

namespace {
QAction *menuAction(QMenu *menu, const QString &text, const char *name) {
  QAction *a = menu->addAction(text);
  a->setObjectName(QLatin1String(name));
  return a;
}

// Sets a check box and runs its handler even when the tick does not change.
template <typename F> void setTick(QCheckBox *box, bool on, F handler) {
  if (box->isChecked() == on)
    handler(on);
  else
    box->setChecked(on);
}
} // namespace

void MainWindow::buildShellMenus() {
  auto *settings = menuBar()->findChild<QMenu *>(QStringLiteral("mSet"));
  settings->addSeparator();
  QAction *mTOption = menuAction(settings, QStringLiteral("选项..."), "mTOption");
  connect(mTOption, &QAction::triggered, this, [this] { openOptions(frmOption::Options); });
  QAction *mPDFSet = menuAction(settings, QStringLiteral("PDF参数设置..."), "mPDFSet");
  connect(mPDFSet, &QAction::triggered, this, [this] { openOptions(frmOption::Pdf); });
  QAction *mSaveJob = menuAction(settings, QStringLiteral("保存任务..."), "mSaveJob");
  QAction *mLoadJob = menuAction(settings, QStringLiteral("载入任务..."), "mLoadJob");
  connect(mSaveJob, &QAction::triggered, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("保存任务"), model_->chooserFolder(),
                                                      QStringLiteral("任务文件 (*.ini)"));
    if (!path.isEmpty())
      saveJob(path);
  });
  connect(mLoadJob, &QAction::triggered, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("载入任务"), model_->chooserFolder(),
                                                      QStringLiteral("任务文件 (*.ini);;所有文件 (*)"));
    if (!path.isEmpty())
      loadJob(path);
  });
  QAction *mSPicTxt = menuAction(settings, QStringLiteral("图片说明..."), "mSPicTxt");
  connect(mSPicTxt, &QAction::triggered, preview_, &PreviewPanel::showCaptionBox);
  settings->addSeparator();
  mKTTool_ = menuAction(settings, QStringLiteral("显示顶部工具条"), "mKTTool");
  mKRTool_ = menuAction(settings, QStringLiteral("显示右侧工具条"), "mKRTool");
  for (QAction *a : {mKTTool_, mKRTool_}) {
    a->setCheckable(true);
    a->setChecked(true);
  }
  // Unticked, a strip gives its room to the preview and shows over the
  // preview's edge while the pointer is near it.
  strips_ = new ToolStrips(preview_, frame3_, frame4_, this);
  connect(mKTTool_, &QAction::toggled, this, [this](bool on) { strips_->setPinned(frame4_, on); });
  connect(mKRTool_, &QAction::toggled, this, [this](bool on) { strips_->setPinned(frame3_, on); });

  QMenu *skins = settings->addMenu(QStringLiteral("软件换肤"));
  skins->setObjectName(QStringLiteral("mSkinOpt"));
  auto *group = new QActionGroup(this);
  for (int i = 0; i <= SkinCount; ++i) {
    mSkin_[i] = skins->addAction(skinCaption(i));
    mSkin_[i]->setObjectName(QStringLiteral("mSkin_%1").arg(i));
    mSkin_[i]->setCheckable(true);
    group->addAction(mSkin_[i]);
    connect(mSkin_[i], &QAction::triggered, this, [this, i] { chooseSkin(i); });
  }
  skinPath_ = readSetting(QStringLiteral("sSkinFileName"), defaultSkinPath());
  const int shown = skinIndexOf(skinPath_);
  mSkin_[shown < 0 ? SkinCount : shown]->setChecked(true);

  // The help menu: the project's pages before the about box.
  auto *help = menuBar()->findChild<QMenu *>(QStringLiteral("mHelp"));
  QAction *about = help->findChild<QAction *>(QStringLiteral("mAbout"));
  const struct {
    const char *text, *name;
    WebLink link;
  } pages[] = {{"官方网站", "mHWeb", WebLink::HomePage},
               {"交流论坛", "mBBS", WebLink::Forum},
               {"下载素材", "mDownZY", WebLink::Download}};
  help->setToolTipsVisible(true);
  for (const auto &p : pages) {
    auto *a = new QAction(QString::fromUtf8(p.text), help);
    a->setObjectName(QLatin1String(p.name));
    help->insertAction(about, a);
    const QString address = linkAddress(p.link);
    a->setEnabled(!address.isEmpty());
    a->setToolTip(address.isEmpty() ? LinkNotSetTip : address);
    connect(a, &QAction::triggered, this, [this, address] {
      if (!OpenPage(address))
        ShowStatus(openPageFailedText(address));
    });
  }
  help->insertSeparator(about);

  // Placement entries of the picture pop-up and the adjust menu.
  const QList<QAction *> popup = mImgOpt_->actions();
  QAction *copy = mImgOpt_->findChild<QAction *>(QStringLiteral("mCopyPic"));
  auto *mSetXYPos = new QAction(QStringLiteral("移动图片"), mImgOpt_);
  mSetXYPos->setObjectName(QStringLiteral("mSetXYPos"));
  auto *mSet0 = new QAction(QStringLiteral("恢复原点"), mImgOpt_);
  mSet0->setObjectName(QStringLiteral("mSet0"));
  mXYPos_ = new QAction(QStringLiteral("坐标定位"), mImgOpt_);
  mXYPos_->setObjectName(QStringLiteral("mXYPos"));
  mXYPos_->setEnabled(false);
  mImgOpt_->insertActions(copy ? copy : popup.value(0), {mSetXYPos, mSet0, mXYPos_});
  mImgOpt_->insertSeparator(copy ? copy : popup.value(0));
  connect(mSetXYPos, &QAction::triggered, preview_, &PreviewPanel::enterMoveMode);
  connect(mSet0, &QAction::triggered, preview_, &PreviewPanel::resetOrigin);
  connect(mXYPos_, &QAction::triggered, preview_, &PreviewPanel::askOrigin);
  auto *adjust = menuBar()->findChild<QMenu *>(QStringLiteral("mPic"));
  adjust->addSeparator();
  QAction *mTRect = menuAction(adjust, QStringLiteral("移动图片"), "mTRect");
  QAction *mT0 = menuAction(adjust, QStringLiteral("恢复原点"), "mT0");
  connect(mTRect, &QAction::triggered, preview_, &PreviewPanel::enterMoveMode);
  connect(mT0, &QAction::triggered, preview_, &PreviewPanel::resetOrigin);
  connect(list_, &FileListPanel::currentRowChanged, this, &MainWindow::currentEntryChanged);
}

namespace {
// The pixel size for the status line. The file is opened by its own bytes, so
// a GBK-named picture has its size too; formats Qt reads only from the header
// (JPEG, PNG, ...) are not read whole. HEIC/AVIF, which Qt cannot read, go
// through the engine's probe when the file is of a sane size.
QSize listedPictureSize(const QString &path) {
  QFile file;
  if (!openForReading(file, path))
    return {};
  QImageReader reader(&file);
  const QSize size = reader.size();
  if (size.isValid() || file.size() > 64 * 1024 * 1024 || !file.seek(0))
    return size;
  return probePictureSize(file.readAll());
}
} // namespace

// The facts of the entry that became current, the caption and the title.
void MainWindow::currentEntryChanged(int row) {
  const bool listed = row >= 0 && row < list_->count();
  preview_->showEntry(listed ? row : -1, listed ? list_->path(row) : QString(),
                      listed && row > 0 ? list_->path(row - 1) : QString(),
                      listed && row + 1 < list_->count() ? list_->path(row + 1) : QString());
  if (!listed) {
    if (info_)
      info_->setPictureFacts(QString());
    setWindowTitle(AppTitle + VersionText);
    return;
  }
  const QString path = list_->path(row);
  QString facts = QStringLiteral("【图片信息】文件名:") + QFileInfo(path).fileName();
  const QSize size = listedPictureSize(path);
  if (size.isValid())
    facts += QStringLiteral("  宽:%1  高:%2").arg(size.width()).arg(size.height());
  facts += QStringLiteral("  大小:%1K   双击文件名可全屏浏览。").arg(nativeFileFacts(path).size / 1024);
  ShowStatus(facts);
  if (info_)
    info_->setPictureFacts(facts + QLatin1Char('\n') + QDir::toNativeSeparators(path));
  setWindowTitle(AppTitle + VersionText + QStringLiteral(" - ") + QDir::toNativeSeparators(path));
}

OptionValues MainWindow::optionValues() const {
  OptionValues v;
  v.jpegQuality = job_.jpegQuality;
  v.slideSeconds = slideSeconds_;
  v.autoOpenFolder = job_.openOutputFolder;
  v.autoOpenLinkPage = job_.openLinkPage;
  v.linkPageShowUrl = job_.linkPageShowUrl;
  v.linkPageShowPicture = job_.linkPageShowPicture;
  v.saveErrorLog = job_.saveErrorLog;
  v.cropToFit = job_.cropToFit;
  v.showToday = showToday_;
  v.newVersion = newVersion_;
  v.keepSmall = job_.keepSmall;
  v.cropAnchorX = job_.cropAnchorX;
  v.cropAnchorY = job_.cropAnchorY;
  v.pdfTitle = job_.pdfTitle;
  v.pdfSignature = job_.pdfSignature;
  v.pdfDate = job_.pdfDate;
  v.keepExif = job_.keepMetadata;
  v.stripGps = job_.stripGps;
  v.keepGps = job_.keepGps;
  v.maxJpegKb = job_.maxJpegKb;
  v.existingFiles = static_cast<int>(job_.existingFiles);
  v.keepFolderTree = model_->keepFolderTree();
  return v;
}

bool MainWindow::openOptions(frmOption::Face face) {
  if (face == frmOption::Options)
    ShowStatus(QStringLiteral("【提示】请根据需要设置相关参数。"));
  frmOption dialog(face, optionValues(), this);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  // The dialog stored every key; the window takes them back from its values,
  // so a key the store refused still takes effect for this session.
  const OptionValues &v = dialog.values();
  job_.jpegQuality = v.jpegQuality;
  slideSeconds_ = v.slideSeconds;
  job_.openOutputFolder = v.autoOpenFolder;
  job_.openLinkPage = v.autoOpenLinkPage;
  job_.linkPageShowUrl = v.linkPageShowUrl;
  job_.linkPageShowPicture = v.linkPageShowPicture;
  job_.saveErrorLog = v.saveErrorLog;
  job_.cropToFit = v.cropToFit;
  showToday_ = v.showToday;
  newVersion_ = v.newVersion;
  job_.keepSmall = v.keepSmall;
  job_.cropAnchorX = v.cropAnchorX;
  job_.cropAnchorY = v.cropAnchorY;
  job_.pdfTitle = v.pdfTitle;
  job_.pdfSignature = v.pdfSignature;
  job_.pdfDate = v.pdfDate;
  job_.keepMetadata = v.keepExif;
  job_.stripGps = v.stripGps;
  job_.keepGps = v.keepGps;
  job_.maxJpegKb = v.maxJpegKb;
  job_.existingFiles = static_cast<ExistingFiles>(v.existingFiles);
  model_->setKeepFolderTree(v.keepFolderTree);
  frmPic::setSlideInterval(v.slideSeconds);
  settingsChanged();
  return true;
}

bool MainWindow::saveJob(const QString &path) {
  if (!saveJobFile(path, jobSettings())) {
    ShowStatus(QStringLiteral("【错误提示】无法保存任务文件:") + QDir::toNativeSeparators(path));
    return false;
  }
  ShowStatus(QStringLiteral("【提示】任务已保存到:") + QDir::toNativeSeparators(path));
  return true;
}

bool MainWindow::loadJob(const QString &path) {
  ProcessingSettings loaded = jobSettings();
  bool ok = false;
  const QStringList skipped = loadJobFile(path, loaded, &ok);
  if (!ok) {
    ShowStatus(QStringLiteral("【错误提示】无法读取任务文件:") + QDir::toNativeSeparators(path));
    return false;
  }
  applyJob(loaded);
  QString text = QStringLiteral("【提示】已载入任务:") + QDir::toNativeSeparators(path);
  if (!skipped.isEmpty())
    text += QStringLiteral("。跳过的设置:") + skipped.join(QStringLiteral("、"));
  ShowStatus(text);
  return true;
}

// Puts a loaded job into the controls, each through its own handler, so the
// window shows what will run.
void MainWindow::applyJob(const ProcessingSettings &n) {
  const bool wasLoaded = loaded();
  model_->setLoading(true); // no dialogs and no previews while the controls change
  size_->applyJob(n);
  overlay_->applyJob(n);
  if (n.sizeMode == SizeFitBorder && size_->mode() != SizeFitBorder)
    size_->switchMode(SizeFitBorder);

  adjust_->applyJob(n);
  job_.originX = n.originX;
  job_.originY = n.originY;
  preview_->showOrigin();

  for (auto field :
       {&ProcessingSettings::keepSmall, &ProcessingSettings::cropToFit, &ProcessingSettings::keepMetadata,
        &ProcessingSettings::stripGps, &ProcessingSettings::keepGps, &ProcessingSettings::keepFileDate,
        &ProcessingSettings::openOutputFolder, &ProcessingSettings::openLinkPage, &ProcessingSettings::linkPageShowUrl,
        &ProcessingSettings::linkPageShowPicture, &ProcessingSettings::saveErrorLog})
    job_.*field = n.*field;
  job_.jpegQuality = n.jpegQuality;
  job_.cropAnchorX = n.cropAnchorX;
  job_.cropAnchorY = n.cropAnchorY;
  job_.maxJpegKb = n.maxJpegKb;
  job_.existingFiles = n.existingFiles;
  job_.pdfTitle = n.pdfTitle;
  job_.pdfSignature = n.pdfSignature;
  job_.pdfDate = n.pdfDate;
  output_->applyJob(n);
  model_->setLoading(!wasLoaded);
  settingsChanged();
}

void MainWindow::openCommandLine(const QStringList &arguments) {
  const QStringList pictures = commandLinePictures(arguments);
  if (pictures.isEmpty())
    return;
  list_->appendItems(pictures, true);
}

void MainWindow::chooseSkin(int index) {
  if (index < 0 || index > SkinCount)
    return;
  QString path;
  if (index < SkinCount) {
    path = shippedSkinPath(index);
  } else {
    const auto chosen = kuvo::chooseSkin(this, skinFolder());
    if (!chosen) {
      // Cancelled: the skin in force stays, and so does its tick.
      const int shown = skinIndexOf(skinPath_);
      mSkin_[shown < 0 ? SkinCount : shown]->setChecked(true);
      return;
    }
    path = *chosen;
  }
  for (QAction *a : mSkin_)
    a->setChecked(false);
  mSkin_[index]->setChecked(true);
  if (path.isEmpty())
    return;
  skinPath_ = path;
  applySkin(path);
  saveSetting(QStringLiteral("sSkinFileName"), path);
}

void MainWindow::loadNewsPage() {
  if (!showToday_ || newsPageUrl().isEmpty())
    return;
  if (!network_)
    network_ = new QNetworkAccessManager(this);
  QNetworkRequest request(newsPageUrl());
  request.setTransferTimeout(15000);
  QNetworkReply *reply = network_->get(request);
  connect(reply, &QNetworkReply::finished, this, [this, reply] {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
      web_->hide();
      emit newsPageFinished(false);
      return;
    }
    web_->setHtml(QString::fromUtf8(reply->readAll()));
    web_->setGeometry(preview_->contentsRect());
    if (list_->count() == 0 && showToday_) {
      web_->show();
      web_->raise();
    }
    emit newsPageFinished(true);
  });
}

} // namespace kuvo
