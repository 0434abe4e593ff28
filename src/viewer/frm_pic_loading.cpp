// Getting pictures onto the screen without holding up the window: a decode at
// the screen's size on the thread pool (small pictures inline), the previous
// picture kept until the new one is ready, the neighbours read ahead, and a
// message in place of a picture that cannot be shown.
#include "viewer/frm_pic.h"

#include "viewer/frm_pic_detail.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

namespace kuvo {

using namespace viewer;

namespace {

constexpr int CacheReach = 2; // entries either side of the shown one that stay decoded

} // namespace

QSize frmPic::screenTarget() const {
  const QScreen *sc = screen() ? screen() : QGuiApplication::primaryScreen();
  const QSize logical = sc ? sc->geometry().size() : size();
  return (QSizeF(logical) * (sc ? sc->devicePixelRatio() : 1.0)).toSize();
}

void frmPic::ShowPic(const QString &path) {
  fullPending_.clear();
  auto hit = cache_.constFind(path);
  if (hit != cache_.constEnd()) {
    pending_.clear();
    present(*hit);
    return;
  }
  const QSize size = probeUprightSize(path);
  if (!size.isValid() || qint64(size.width()) * size.height() <= InlineLoadPixels) {
    // Small or unreadable: done at once.
    pending_.clear();
    const LoadedPicture picture = loadPicture(path, screenTarget());
    if (picture.ok())
      cache_.insert(path, picture);
    present(picture);
    return;
  }
  // The previous picture stays on screen until this one is decoded.
  pending_ = path;
  requestPicture(path);
  update();
}

void frmPic::requestPicture(const QString &path) {
  if (loading_.contains(path) || cache_.contains(path))
    return;
  auto *watcher = new QFutureWatcher<LoadedPicture>(this);
  loading_.insert(path, watcher);
  connect(watcher, &QFutureWatcher<LoadedPicture>::finished, this, [this, watcher, path] {
    loading_.remove(path);
    const LoadedPicture picture = watcher->result();
    watcher->deleteLater();
    if (picture.ok())
      cache_.insert(path, picture);
    if (pending_ == path) {
      pending_.clear();
      present(picture);
    }
  });
  watcher->setFuture(QtConcurrent::run(loadPicture, path, screenTarget()));
}

void frmPic::present(const LoadedPicture &picture) {
  if (!picture.ok()) {
    imagePath_ = picture.path;
    showMessage(tr8("无法显示图片：%1\n%2。").arg(QFileInfo(picture.path).fileName(), picture.error));
  } else {
    showImage(picture.image, picture.path, picture.naturalSize);
  }
  const int index = int(files_.indexOf(picture.path));
  trimCache(index);
  preloadAround(index);
}

void frmPic::showMessage(const QString &text) {
  image_ = QImage();
  pix_ = QPixmap();
  naturalSize_ = QSize();
  picRect_ = QRect();
  message_ = text;
  if (hasSel_ || selVisible_) {
    setSelectionVisible(false);
    hasSel_ = false;
  }
  update();
}

// The next and the previous entry (a slide show only ever goes forward, so
// the one after the next as well), read while the user looks at this one.
void frmPic::preloadAround(int index) {
  if (index < 0 || source_ != ViewerSource::Original || closing_)
    return;
  const int n = int(files_.size());
  const int ahead[] = {index + 1, mode_ == ViewerMode::SlideShow ? index + 2 : index - 1};
  for (int i : ahead) {
    const int k = mode_ == ViewerMode::SlideShow ? ((i % n) + n) % n : i;
    if (k >= 0 && k < n && k != index)
      requestPicture(files_.at(k));
  }
}

void frmPic::trimCache(int index) {
  for (auto it = cache_.begin(); it != cache_.end();) {
    const int k = int(files_.indexOf(it.key()));
    const bool near = index >= 0 && k >= 0 && std::abs(k - index) <= CacheReach;
    const bool wrapped = mode_ == ViewerMode::SlideShow && k >= 0 && k < CacheReach; // the show starts over
    if (near || wrapped || it.key() == imagePath_)
      ++it;
    else
      it = cache_.erase(it);
  }
}

// "原始大小" of a reduced decode: the full picture is read on the thread pool
// and laid out at its natural size when it arrives.
void frmPic::loadFullSize() {
  const QString path = imagePath_;
  if (path.isEmpty() || fullPending_ == path)
    return;
  fullPending_ = path;
  setCursor(Qt::BusyCursor);
  auto *watcher = new QFutureWatcher<LoadedPicture>(this);
  connect(watcher, &QFutureWatcher<LoadedPicture>::finished, this, [this, watcher, path] {
    updateHoverCursor(mapFromGlobal(QCursor::pos()));
    const LoadedPicture picture = watcher->result();
    watcher->deleteLater();
    if (fullPending_ != path || imagePath_ != path)
      return; // the user moved on
    fullPending_.clear();
    if (!picture.ok()) {
      showNotice(tr8("【操作错误】无法读取原始大小的图片：%1。").arg(picture.error));
      return;
    }
    original_ = picture.image;
    originalPath_ = path;
    image_ = picture.image;
    pix_ = QPixmap();
    if (!fit_)
      layoutPicture();
  });
  watcher->setFuture(QtConcurrent::run(loadPicture, path, QSize()));
}

} // namespace kuvo
