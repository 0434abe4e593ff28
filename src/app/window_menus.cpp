#include "app/window_menus.h"

#include "app/choosers.h"
#include "app/job_model.h"
#include "app/web_links.h"
#include "app/widget_helpers.h"
#include "app/window_rules.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"
#include "publish/word_pictures.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QUrl>

namespace kuvo {

WindowMenus::WindowMenus(QMainWindow *window, JobModel *model) : QObject(window), window_(window), model_(model) {
  buildFileMenu();
  buildAdjustMenu();
  buildEffectsMenu();
  buildSettingsMenu();
  buildViewMenu();
  buildToolsMenu();
  buildHelpMenu();
}

void WindowMenus::buildFileMenu() {
  QMenu *file = window_->menuBar()->addMenu(QStringLiteral("文件(&F)"));
  file->setObjectName(QStringLiteral("mFile"));
  QAction *mAddFile = namedAction(file, QStringLiteral("添加单张或多张图片..."), QStringLiteral("mAddFile"));
  mAddDir_ = namedAction(file, QStringLiteral("添加文件夹内全部图片..."), QStringLiteral("mAddDir"));
  file->addSeparator();
  mDelFile_ = namedAction(file, QStringLiteral("移除所选图片"), QStringLiteral("mDelFile"));
  mClear_ = namedAction(file, QStringLiteral("清空添加的全部图片"), QStringLiteral("mClear"));
  mUndoDel_ = namedAction(file, QStringLiteral("重新载入移除的图片"), QStringLiteral("mUndoDel"));
  file->addSeparator();
  QAction *mTODir = namedAction(file, QStringLiteral("输出目录..."), QStringLiteral("mTODir"));
  file->addSeparator();
  QAction *mExit = namedAction(file, QStringLiteral("退    出"), QStringLiteral("mExit"));
  connect(mAddFile, &QAction::triggered, this, &WindowMenus::addFilesRequested);
  connect(mAddDir_, &QAction::triggered, this, &WindowMenus::addFolderRequested);
  connect(mDelFile_, &QAction::triggered, this, &WindowMenus::removeRequested);
  connect(mClear_, &QAction::triggered, this, &WindowMenus::clearRequested);
  connect(mUndoDel_, &QAction::triggered, this, &WindowMenus::restoreRequested);
  connect(mTODir, &QAction::triggered, this, [this] {
    emit status(QStringLiteral("【提示】选择输出文件夹,处理好的图片将存放到该文件夹。"));
    emit outputFolderRequested();
  });
  // Ends at once, without writing the settings back.
  connect(mExit, &QAction::triggered, this, [] { QApplication::exit(0); });
}

void WindowMenus::buildAdjustMenu() {
  QMenu *adjust = window_->menuBar()->addMenu(QStringLiteral("调整(&P)"));
  adjust->setObjectName(QStringLiteral("mPic"));
  rotation_ = adjust->addMenu(QStringLiteral("方向旋转"));
  rotation_->setObjectName(QStringLiteral("mPRTMenu"));
  channels_ = adjust->addMenu(QStringLiteral("色彩通道"));
  channels_->setObjectName(QStringLiteral("mPCRMenu"));
  QAction *mPLD = namedAction(adjust, QStringLiteral("调整亮度..."), QStringLiteral("mPLD"));
  QAction *mPPro = namedAction(adjust, QStringLiteral("高级..."), QStringLiteral("mPPro"));
  adjust->addSeparator();
  QAction *mSetTxt = namedAction(adjust, QStringLiteral("文字水印..."), QStringLiteral("mSetTxt"));
  QAction *mSetImg = namedAction(adjust, QStringLiteral("图片水印..."), QStringLiteral("mSetImg"));
  QAction *mPCutImg = namedAction(adjust, QStringLiteral("裁剪图片"), QStringLiteral("mPCutImg"));
  adjust->addSeparator();
  QAction *mTRect = namedAction(adjust, QStringLiteral("移动图片"), QStringLiteral("mTRect"));
  QAction *mT0 = namedAction(adjust, QStringLiteral("恢复原点"), QStringLiteral("mT0"));
  connect(mPLD, &QAction::triggered, this, &WindowMenus::brightnessRequested);
  connect(mPPro, &QAction::triggered, this, &WindowMenus::matrixRequested);
  connect(mSetTxt, &QAction::triggered, this, &WindowMenus::textWatermarkRequested);
  connect(mSetImg, &QAction::triggered, this, &WindowMenus::pictureWatermarkRequested);
  connect(mPCutImg, &QAction::triggered, this, &WindowMenus::cropRequested);
  connect(mTRect, &QAction::triggered, this, &WindowMenus::moveRequested);
  connect(mT0, &QAction::triggered, this, &WindowMenus::originResetRequested);
}

void WindowMenus::buildEffectsMenu() {
  effects_ = window_->menuBar()->addMenu(QStringLiteral("特效(&X)"));
  effects_->setObjectName(QStringLiteral("mTXMenu"));
}

void WindowMenus::buildSettingsMenu() {
  QMenu *settings = window_->menuBar()->addMenu(QStringLiteral("设置(&S)"));
  settings->setObjectName(QStringLiteral("mSet"));
  mShowOn2_ = namedAction(settings, QStringLiteral("实时预览"), QStringLiteral("mShowOn2"));
  mShowOn2_->setCheckable(true);
  mShowOn2_->setChecked(true);
  connect(mShowOn2_, &QAction::triggered, this, &WindowMenus::livePreviewToggled);
  QAction *mUI = namedAction(settings, QStringLiteral("简约/全屏模式转换"), QStringLiteral("mUI"));
  connect(mUI, &QAction::triggered, this, [this] {
    if (window_->windowState() == Qt::WindowNoState)
      window_->showMaximized();
    else
      window_->showNormal();
  });
  settings->addSeparator();
  QAction *mTOption = namedAction(settings, QStringLiteral("选项..."), QStringLiteral("mTOption"));
  connect(mTOption, &QAction::triggered, this, [this] { emit optionsRequested(frmOption::Options); });
  QAction *mPDFSet = namedAction(settings, QStringLiteral("PDF参数设置..."), QStringLiteral("mPDFSet"));
  connect(mPDFSet, &QAction::triggered, this, [this] { emit optionsRequested(frmOption::Pdf); });
  QAction *mSaveJob = namedAction(settings, QStringLiteral("保存任务..."), QStringLiteral("mSaveJob"));
  QAction *mLoadJob = namedAction(settings, QStringLiteral("载入任务..."), QStringLiteral("mLoadJob"));
  connect(mSaveJob, &QAction::triggered, this, [this] {
    const QString path = QFileDialog::getSaveFileName(window_, QStringLiteral("保存任务"), model_->chooserFolder(),
                                                      QStringLiteral("任务文件 (*.ini)"));
    if (!path.isEmpty())
      emit saveJobRequested(path);
  });
  connect(mLoadJob, &QAction::triggered, this, [this] {
    const QString path = QFileDialog::getOpenFileName(window_, QStringLiteral("载入任务"), model_->chooserFolder(),
                                                      QStringLiteral("任务文件 (*.ini);;所有文件 (*)"));
    if (!path.isEmpty())
      emit loadJobRequested(path);
  });
  QAction *mSPicTxt = namedAction(settings, QStringLiteral("图片说明..."), QStringLiteral("mSPicTxt"));
  connect(mSPicTxt, &QAction::triggered, this, &WindowMenus::captionRequested);
  settings->addSeparator();
  QAction *mKTTool = namedAction(settings, QStringLiteral("显示顶部工具条"), QStringLiteral("mKTTool"));
  QAction *mKRTool = namedAction(settings, QStringLiteral("显示右侧工具条"), QStringLiteral("mKRTool"));
  for (QAction *a : {mKTTool, mKRTool}) {
    a->setCheckable(true);
    a->setChecked(true);
  }
  connect(mKTTool, &QAction::toggled, this, &WindowMenus::topStripPinned);
  connect(mKRTool, &QAction::toggled, this, &WindowMenus::sideStripPinned);
  buildSkinMenu(settings);
}

void WindowMenus::buildSkinMenu(QMenu *settings) {
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
}

void WindowMenus::buildViewMenu() {
  QMenu *view = window_->menuBar()->addMenu(QStringLiteral("浏览(&V)"));
  view->setObjectName(QStringLiteral("mView"));
  auto add = [view](const QString &text, const char *name, const QKeySequence &keys) {
    QAction *a = namedAction(view, text, QLatin1String(name));
    a->setShortcut(keys);
    return a;
  };
  connect(add(QStringLiteral("全屏查看原图"), "mViewSrc", QKeySequence(Qt::Key_F11)), &QAction::triggered, this,
          &WindowMenus::originalFullScreenRequested);
  connect(add(QStringLiteral("全屏预览处理图"), "mViewDone", QKeySequence(Qt::Key_F12)), &QAction::triggered, this,
          &WindowMenus::processedFullScreenRequested);
  view->addSeparator();
  connect(add(QStringLiteral("多图列表浏览原图"), "mViewList", QKeySequence()), &QAction::triggered, this,
          &WindowMenus::listBrowseRequested);
  connect(add(QStringLiteral("幻灯片模式浏览原图"), "mViewSlide", QKeySequence(Qt::Key_F5)), &QAction::triggered, this,
          &WindowMenus::slideShowRequested);
}

void WindowMenus::buildToolsMenu() {
  QMenu *tools = window_->menuBar()->addMenu(QStringLiteral("工具(&T)"));
  tools->setObjectName(QStringLiteral("mTools"));
  connect(namedAction(tools, QStringLiteral("屏幕截图..."), QStringLiteral("mCopySrc")), &QAction::triggered, this,
          &WindowMenus::screenCaptureRequested);
  connect(namedAction(tools, QStringLiteral("摄像头拍照..."), QStringLiteral("mCap")), &QAction::triggered, this,
          &WindowMenus::webcamRequested);
  connect(namedAction(tools, WordMenuText, QStringLiteral("mWord")), &QAction::triggered, this,
          &WindowMenus::wordImportRequested);
  tools->addSeparator();
  connect(namedAction(tools, QStringLiteral("网络参数设置..."), QStringLiteral("mFtpSet")), &QAction::triggered, this,
          &WindowMenus::networkSettingsRequested);
}

void WindowMenus::buildHelpMenu() {
  QMenu *help = window_->menuBar()->addMenu(QStringLiteral("帮助(&H)"));
  help->setObjectName(QStringLiteral("mHelp"));
  help->setToolTipsVisible(true);
  QAction *mReadMe = namedAction(help, QStringLiteral("使用指南"), QStringLiteral("mReadMe"));
  connect(mReadMe, &QAction::triggered, this,
          [] { QDesktopServices::openUrl(QUrl::fromLocalFile(programDataDir() + QStringLiteral("/ReadMe.txt"))); });
  // The project's pages before the about box.
  const struct {
    const char *text, *name;
    WebLink link;
  } pages[] = {{"官方网站", "mHWeb", WebLink::HomePage},
               {"交流论坛", "mBBS", WebLink::Forum},
               {"下载素材", "mDownZY", WebLink::Download}};
  for (const auto &p : pages) {
    QAction *a = namedAction(help, QString::fromUtf8(p.text), QLatin1String(p.name));
    const QString address = linkAddress(p.link);
    a->setEnabled(!address.isEmpty());
    a->setToolTip(address.isEmpty() ? LinkNotSetTip : address);
    connect(a, &QAction::triggered, this, [this, address] {
      if (!OpenPage(address))
        emit status(openPageFailedText(address));
    });
  }
  help->addSeparator();
  QAction *mAbout = namedAction(help, QStringLiteral("关于Kuvo..."), QStringLiteral("mAbout"));
  connect(mAbout, &QAction::triggered, this, [this] {
    emit status(IdleStatus);
    QMessageBox::information(window_, AppTitle,
                             AppTitle + VersionText + QStringLiteral("\n\nKuvo开发组\n\n发布时间：2013年11月22日"));
  });
}

void WindowMenus::tickLivePreview(bool on) {
  mShowOn2_->setChecked(on);
}

void WindowMenus::setListState(bool any, bool restorable) {
  mDelFile_->setEnabled(any);
  mClear_->setEnabled(any);
  mUndoDel_->setEnabled(restorable);
}

void WindowMenus::setScanning(bool scanning) {
  mAddDir_->setEnabled(!scanning);
}

void WindowMenus::chooseSkin(int index) {
  if (index < 0 || index > SkinCount)
    return;
  QString path;
  if (index < SkinCount) {
    path = shippedSkinPath(index);
  } else {
    const auto chosen = kuvo::chooseSkin(window_, skinFolder());
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

} // namespace kuvo
