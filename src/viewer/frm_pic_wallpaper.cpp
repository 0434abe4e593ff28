// Copying the shown picture and setting it as the desktop wallpaper; the
// desktop's tools run on the thread pool and the outcome is told on screen
// and in the main window's status line.
#include "viewer/frm_pic.h"

#include "platform/wallpaper.h"
#include "viewer/frm_pic_detail.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace kuvo {

using namespace viewer;

namespace {

// A BMP original is used where it lies; anything else (another format, a
// processed preview that is deleted on close, a cut region) is written as a
// BMP into the per-user wallpaper folder so that it outlives the viewer.
QString wallpaperFileFor(const QImage &image, const QString &sourcePath, QString *error) {
  if (!sourcePath.isEmpty() && sourcePath.endsWith(QStringLiteral(".bmp")) && QFileInfo::exists(sourcePath))
    return sourcePath;
  const QString path = nextWallpaperFilePath();
  if (flattenedOnWhite(image).save(path, "BMP"))
    return path;
  if (error)
    *error = QStringLiteral("无法写入壁纸文件 %1").arg(path);
  return QString();
}

} // namespace

void frmPic::copyPicture() {
  if (!image_.isNull())
    QApplication::clipboard()->setImage(image_);
}

QString frmPic::prepareWallpaperFile() {
  return image_.isNull() ? QString() : wallpaperFileFor(image_, imagePath_, nullptr);
}

void frmPic::setWallpaper(int style) {
  if (wallpaperBusy_) {
    showNotice(tr8("【提示】正在设置桌面壁纸，请稍候……"));
    return;
  }
  if (image_.isNull()) {
    showNotice(tr8("【操作错误】没有可以设为桌面的图片。"));
    return;
  }
  wallpaperBusy_ = true;
  showNotice(tr8("【提示】正在设置桌面壁纸……"));
  auto *watcher = new QFutureWatcher<WallpaperResult>(this);
  connect(watcher, &QFutureWatcher<WallpaperResult>::finished, this, [this, watcher, style] {
    wallpaperBusy_ = false;
    const QString text = wallpaperStatusText(watcher->result(), style);
    watcher->deleteLater();
    showNotice(text);
    emit statusMessage(text);
  });
  watcher->setFuture(QtConcurrent::run([image = image_, source = imagePath_, style] {
    WallpaperResult result;
    const QString path = wallpaperFileFor(image, source, &result.reason);
    if (path.isEmpty()) {
      result.desktop = currentDesktop();
      return result;
    }
    return setDesktopWallpaper(path, style);
  }));
}

} // namespace kuvo
