#include "engine/overlay_image_cache.h"

#include "engine/native_names.h"
#include "engine/source_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>
#include <cstring>
#include <list>

namespace kuvo {

namespace {

// Enough for a few full-size borders at several canvas sizes.
constexpr qsizetype cacheBudget = 192 * 1024 * 1024;

struct Entry {
  QString key;
  QImage image;
};

QMutex cacheMutex;
std::list<Entry> entries; // most recently used first
qsizetype cachedBytes = 0;

// The file's identity: a rewritten file gets a new key.
QString fileKey(const QString &path) {
  const NativeFileFacts facts = nativeFileFacts(path);
  return QFileInfo(path).absoluteFilePath() + u'|' + QString::number(facts.size) + u'|' +
         QString::number(facts.modifiedMs) + u'|' + QString::number(facts.changedMs);
}

QImage lookup(const QString &key) {
  QMutexLocker lock(&cacheMutex);
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->key == key) {
      entries.splice(entries.begin(), entries, it);
      return entries.front().image;
    }
  }
  return {};
}

void store(const QString &key, const QImage &image) {
  const qsizetype bytes = image.sizeInBytes();
  if (image.isNull() || bytes > cacheBudget / 2)
    return;
  QMutexLocker lock(&cacheMutex);
  for (const Entry &e : entries)
    if (e.key == key)
      return; // another thread made the same picture meanwhile
  entries.push_front({key, image});
  cachedBytes += bytes;
  while (cachedBytes > cacheBudget && !entries.empty()) {
    cachedBytes -= entries.back().image.sizeInBytes();
    entries.pop_back();
  }
}

} // namespace

QImage decodeOverlayImage(const QString &path) {
  if (path.isEmpty() || !nativeFileFacts(path).isFile)
    return {};
  const QString key = fileKey(path);
  QImage image = lookup(key);
  if (!image.isNull())
    return image;
  // By the file's own bytes, so a GBK-named border or watermark is read too.
  const SourceFile file = readSourceFile(path);
  if (!file.ok())
    return {};
  QBuffer buffer;
  buffer.setData(file.data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, QFileInfo(path).suffix().toLower().toLatin1());
  image = reader.read();
  if (image.isNull())
    return {};
  image.convertTo(QImage::Format_ARGB32);
  store(key, image);
  return image;
}

QImage prepareOverlayImage(const QString &path, const QImage &decoded, QSize size, const ColorMatrix *matrix) {
  if (decoded.isNull())
    return {};
  const bool recolour = matrix && !isIdentity(*matrix);
  const bool shrink = size.width() > 0 && size.height() > 0 && size.width() <= decoded.width() &&
                      size.height() <= decoded.height() && size != decoded.size();
  QString key = fileKey(path) + u'|';
  if (shrink)
    key += QString::number(size.width()) + u'x' + QString::number(size.height());
  if (recolour)
    key +=
        u'|' + QString::fromLatin1(
                   QByteArray(reinterpret_cast<const char *>(matrix->data()), sizeof(float) * matrix->size()).toHex());
  QImage image = lookup(key);
  if (!image.isNull())
    return image;

  image = decoded;
  if (recolour) {
    image = decoded.copy(); // the decoded picture stays shared with the cache
    if (image.isNull())
      return {};
    applyColorMatrix(image, *matrix);
  }
  image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (!image.isNull() && shrink)
    image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (image.isNull())
    return {};
  store(key, image);
  return image;
}

void clearOverlayImages() {
  QMutexLocker lock(&cacheMutex);
  entries.clear();
  cachedBytes = 0;
}

} // namespace kuvo
