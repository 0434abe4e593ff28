// List browse: pages of 56 thumbnails of the file list, decoded on the
// thread pool.
#include "viewer/frm_pic.h"

#include "viewer/frm_pic_detail.h"
#include "viewer/viewer_geometry.h"

#include <QApplication>
#include <QFrame>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentMap>

namespace kuvo {

using namespace viewer;

int frmPic::loadedThumbnailCount() const {
  return int(std::count_if(thumbs_.begin(), thumbs_.end(), [](const Thumb &t) { return t.loaded; }));
}

QRect frmPic::thumbnailGeometry(int i) const {
  return thumbnailRect(i, size());
}

void frmPic::enterListBrowse() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  slideTimer_.stop();
  actSlide_->setChecked(false);
  if (crop_)
    leaveCropMode();
  mode_ = ViewerMode::List;
  page_ = 0;
  loadPage();
  bar_->move(buttonBarRect(size()).topLeft());
  bar_->show();
  bar_->raise();
  QApplication::restoreOverrideCursor();
  update();
}

void frmPic::cancelThumbnails() {
  if (thumbWatcher_) {
    thumbWatcher_->disconnect(this);
    thumbWatcher_->cancel();
    thumbWatcher_->deleteLater();
    thumbWatcher_ = nullptr;
  }
}

void frmPic::hideThumbnails() {
  cancelThumbnails();
  thumbs_.clear();
  hoverThumb_ = -1;
  update();
}

void frmPic::loadPage() {
  cancelThumbnails();
  if (thumbCache_.size() > 3 * ThumbnailsPerPage)
    thumbCache_.clear();
  const PageRange r = pageRange(int(files_.size()), page_);
  thumbs_.clear();
  QStringList toLoad;
  for (int i = r.first; i <= r.last; ++i) {
    Thumb t;
    t.path = files_.at(i);
    auto hit = thumbCache_.constFind(t.path);
    if (hit != thumbCache_.constEnd()) {
      t.image = *hit;
      t.loaded = true;
    } else {
      toLoad.append(t.path);
    }
    thumbs_.push_back(t);
  }
  updatePageButtons();
  update();
  if (toLoad.isEmpty())
    return;
  // Decoded on the thread pool; the page is drawn at once and each cell fills
  // in as its picture arrives.
  const QSize target = thumbnailRect(0, size()).size() * devicePixelRatio();
  thumbWatcher_ = new QFutureWatcher<QImage>(this);
  connect(thumbWatcher_, &QFutureWatcher<QImage>::resultReadyAt, this, [this, toLoad](int k) {
    if (!thumbWatcher_)
      return;
    const QImage image = thumbWatcher_->resultAt(k);
    const QString &path = toLoad.at(k);
    thumbCache_.insert(path, image);
    for (Thumb &t : thumbs_) {
      if (t.path == path && !t.loaded) {
        t.image = image;
        t.loaded = true;
      }
    }
    update();
  });
  thumbWatcher_->setFuture(
      QtConcurrent::mapped(toLoad, [target](const QString &path) {
        const QImage image = loadPicture(path, target).image;
        return image.width() > target.width() || image.height() > target.height()
                   ? image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                   : image;
      }));
}

void frmPic::updatePageButtons() {
  const PageRange r = pageRange(int(files_.size()), page_);
  prev_->setEnabled(r.prevEnabled);
  next_->setEnabled(r.nextEnabled);
}

void frmPic::nextPage() {
  if (!pageRange(int(files_.size()), page_).nextEnabled)
    return;
  ++page_;
  loadPage();
}

void frmPic::previousPage() {
  if (page_ <= 0)
    return;
  --page_;
  loadPage();
}

int frmPic::thumbnailAt(QPoint pos) const {
  if (mode_ != ViewerMode::List)
    return -1;
  for (int i = 0; i < int(thumbs_.size()); ++i)
    if (thumbnailRect(i, size()).contains(pos))
      return i;
  return -1;
}

void frmPic::openThumbnail(int i) {
  if (i < 0 || i >= int(thumbs_.size()))
    return;
  const int entry = page_ * ThumbnailsPerPage + i;
  if (entry >= files_.size())
    return;
  current_ = entry;
  emit currentChanged(current_);
  mode_ = ViewerMode::Single;
  hideThumbnails();
  bar_->hide();
  ShowPic(files_.at(entry));
  update();
}

void frmPic::removeThumbnail(int i) {
  if (i < 0 || i >= int(thumbs_.size()))
    return;
  const int entry = page_ * ThumbnailsPerPage + i;
  if (entry >= files_.size())
    return;
  emit removed(entry);
  files_.removeAt(entry);
  if (current_ > entry || current_ >= files_.size())
    --current_;
  // The page is laid again so that each cell still opens the entry it shows.
  while (page_ > 0 && page_ * ThumbnailsPerPage >= files_.size())
    --page_;
  loadPage();
}

} // namespace kuvo
