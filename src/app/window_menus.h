#pragma once
// The main window's menu bar: "文件", "调整", "特效", "设置" (with the skin
// menu), "浏览", "工具" and "帮助". Each command is a signal the window
// connects; the menus keep only their own ticks and the skin in force. The
// rotation, channel and effect entries belong to the adjustments panel,
// which fills the menus offered for them.
#include "app/option_dialog.h"
#include "app/skins.h"

#include <QObject>
#include <QString>

class QAction;
class QMainWindow;
class QMenu;

namespace kuvo {

class JobModel;

class WindowMenus : public QObject {
  Q_OBJECT
public:
  WindowMenus(QMainWindow *window, JobModel *model);

  // The menus whose entries the adjustments panel adds: "方向旋转" and
  // "色彩通道" in "调整", and "特效" (also the effects button's pop-up).
  QMenu *rotationMenu() const { return rotation_; }
  QMenu *channelMenu() const { return channels_; }
  QMenu *effectsMenu() const { return effects_; }

  // Ticks that follow the window's state.
  void tickLivePreview(bool on);
  void setListState(bool any, bool restorable);
  void setScanning(bool scanning);

  // Skins: 0-3 the shipped skins, 4 the chooser. The skin is applied and
  // stored; a cancelled chooser keeps the skin in force and its tick.
  void chooseSkin(int index);
  QString skinPath() const { return skinPath_; }

signals:
  void status(const QString &text);
  // 文件
  void addFilesRequested();
  void addFolderRequested();
  void removeRequested();
  void clearRequested();
  void restoreRequested();
  void outputFolderRequested();
  // 调整
  void brightnessRequested();
  void matrixRequested();
  void textWatermarkRequested();
  void pictureWatermarkRequested();
  void cropRequested();
  void moveRequested();
  void originResetRequested();
  // 设置
  void livePreviewToggled(bool on);
  void optionsRequested(kuvo::frmOption::Face face);
  void saveJobRequested(const QString &path);
  void loadJobRequested(const QString &path);
  void captionRequested();
  void topStripPinned(bool on);
  void sideStripPinned(bool on);
  // 浏览
  void originalFullScreenRequested();
  void processedFullScreenRequested();
  void listBrowseRequested();
  void slideShowRequested();
  // 工具
  void screenCaptureRequested();
  void webcamRequested();
  void wordImportRequested();
  void networkSettingsRequested();

private:
  void buildFileMenu();
  void buildAdjustMenu();
  void buildEffectsMenu();
  void buildSettingsMenu();
  void buildSkinMenu(QMenu *settings);
  void buildViewMenu();
  void buildToolsMenu();
  void buildHelpMenu();

  QMainWindow *window_;
  JobModel *model_;
  QAction *mAddDir_ = nullptr, *mDelFile_ = nullptr, *mClear_ = nullptr, *mUndoDel_ = nullptr;
  QMenu *rotation_ = nullptr, *channels_ = nullptr, *effects_ = nullptr;
  QAction *mShowOn2_ = nullptr;
  QAction *mSkin_[SkinCount + 1] = {}; // the shipped skins and "其他皮肤..."
  QString skinPath_;
};

} // namespace kuvo
