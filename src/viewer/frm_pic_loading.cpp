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
#include <QtConcurrent/qtconcurrenttask.h>

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
  // Loads still waiting for a thread are dropped: those of pictures the user
  // has gone past (holding an arrow key queues one per picture), and a
  // read-ahead of this one, asked for again below ahead of any other.
  dropWaitingLoads();
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
  requestPicture(path, LoadUrgency::Shown);
  update();
}

namespace {

enum LoadState : int { Waiting = 0, Decoding = 1, Dropped = 2 };

// The read itself, unless the load was dropped before a thread took it up.
LoadedPicture loadUnlessDropped(std::shared_ptr<std::atomic<int>> state, const QString &path, QSize screen) {
  int expected = Waiting;
  if (!state->compare_exchange_strong(expected, Decoding))
    return {};
  return loadPicture(path, screen);
}

} // namespace

void frmPic::requestPicture(const QString &path, LoadUrgency urgency) {
  if (loading_.contains(path) || cache_.contains(path))
    return;
  auto *watcher = new QFutureWatcher<LoadedPicture>(this);
  auto state = std::make_shared<std::atomic<int>>(Waiting);
  loading_.insert(path, {watcher, state});
  connect(watcher, &QFutureWatcher<LoadedPicture>::finished, this, [this, watcher, path] {
    loading_.remove(path);
    const LoadedPicture picture = watcher->result();
    watcher->deleteLater();
    if (picture.ok())
      cache_.insert(path, picture);
    if (pending_ == path) {
      pending_.clear();
      present(picture);
    } else if (picture.ok() && pending_.isEmpty() && !imagePath_.isEmpty()) {
      // The next read-ahead; not after a failure, which would only be tried
      // again and again.
      preloadAround(int(files_.indexOf(imagePath_)));
    }
  });
  watcher->setFuture(QtConcurrent::task(&loadUnlessDropped)
                         .withArguments(state, path, screenTarget())
                         .withPriority(int(urgency))
                         .spawn());
}

void frmPic::dropWaitingLoads() {
  for (auto it = loading_.begin(); it != loading_.end();) {
    int expected = Waiting;
    if (it->state->compare_exchange_strong(expected, Dropped)) {
      QFutureWatcher<LoadedPicture> *watcher = it->watcher;
      watcher->disconnect(this);
      connect(watcher, &QFutureWatcher<LoadedPicture>::finished, watcher, &QObject::deleteLater);
      it = loading_.erase(it);
    } else {
      ++it;
    }
  }
}

// A read-ahead is on its way (the shown picture's own load aside).
bool frmPic::isReadingAhead() const {
  for (auto it = loading_.constBegin(); it != loading_.constEnd(); ++it)
    if (it.key() != pending_)
      return true;
  return false;
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
// One at a time, the next first: the other core stays free for the window
// and for a picture the user jumps to.
void frmPic::preloadAround(int index) {
  if (index < 0 || source_ != ViewerSource::Original || mode_ == ViewerMode::List || closing_ || isReadingAhead())
    return;
  const int n = int(files_.size());
  const int ahead[] = {index + 1, mode_ == ViewerMode::SlideShow ? index + 2 : index - 1};
  for (int i : ahead) {
    const int k = mode_ == ViewerMode::SlideShow ? ((i % n) + n) % n : i;
    if (k >= 0 && k < n && k != index && !cache_.contains(files_.at(k))) {
      requestPicture(files_.at(k));
      return;
    }
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
