#include "app/neighbour_previews.h"

#include "engine/native_names.h"

#include <QFile>

#include <QImageReader>
#include <QPixmap>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>

namespace kuvo {

namespace {
constexpr int CacheSize = 16;
} // namespace

NeighbourPreviews::NeighbourPreviews(QToolButton *previous, QToolButton *next, QObject *parent) : QObject(parent) {
  sides_[0].button = previous;
  sides_[1].button = next;
  for (Slot &s : sides_)
    s.arrow = s.button ? s.button->text() : QString();
  connect(&watcher_, &QFutureWatcher<QImage>::finished, this, [this] {
    const QString path = decoding_;
    decoding_.clear();
    cache_.insert(path, watcher_.result()); // a null image: the arrow stays
    cacheOrder_.removeAll(path);
    cacheOrder_ << path;
    while (cacheOrder_.size() > CacheSize)
      cache_.remove(cacheOrder_.takeFirst());
    for (Slot &s : sides_)
      if (s.path == path)
        apply(s);
    startNext();
  });
}

NeighbourPreviews::~NeighbourPreviews() {
  watcher_.waitForFinished();
}

QImage NeighbourPreviews::decodeSmall(const QString &path, int side) {
  QFile file;
  if (!openForReading(file, path))
    return {};
  QImageReader reader(&file);
  reader.setAutoTransform(true);
  const QSize full = reader.size();
  if (full.isValid() && (full.width() > side || full.height() > side))
    reader.setScaledSize(full.scaled(side, side, Qt::KeepAspectRatio));
  QImage image = reader.read();
  if (!image.isNull() && (image.width() > side || image.height() > side))
    image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

void NeighbourPreviews::show(const QString &previous, const QString &next) {
  sides_[0].path = previous;
  sides_[1].path = next;
  for (Slot &s : sides_)
    apply(s);
  startNext();
}

QString NeighbourPreviews::shownPath(bool next) const {
  return sides_[next ? 1 : 0].shownPath;
}

void NeighbourPreviews::apply(Slot &s) {
  QToolButton *b = s.button;
  if (!b)
    return;
  if (s.path.isEmpty()) {
    b->hide();
    s.shownPath.clear();
    return;
  }
  const auto cached = cache_.constFind(s.path);
  if (cached != cache_.constEnd() && !cached->isNull()) {
    b->setIcon(QPixmap::fromImage(*cached));
    b->setIconSize(cached->size());
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    s.shownPath = s.path;
    emit pictureShown(&s == &sides_[1]);
  } else {
    b->setIcon(QIcon());
    b->setText(s.arrow);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    s.shownPath.clear();
  }
  b->show();
  b->raise();
}

// One decode at a time; the wanted neighbours that are not cached go first.
void NeighbourPreviews::startNext() {
  if (watcher_.isRunning())
    return;
  for (const Slot &s : sides_) {
    if (s.path.isEmpty() || cache_.contains(s.path))
      continue;
    decoding_ = s.path;
    watcher_.setFuture(QtConcurrent::run([path = s.path] { return decodeSmall(path); }));
    return;
  }
}

} // namespace kuvo
