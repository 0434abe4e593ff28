#include "viewer/frm_pic_detail.h"

#include "engine/decoder.h"

#include <QImageReader>
#include <QPainter>

namespace kuvo::viewer {

int g_slideCounter = 0;
int g_slideInterval = 0;

QImage readPicture(const QString &path, QSize target) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  if (size.isValid() && qint64(size.width()) * size.height() > MaxDecodedPixels)
    return QImage();
  if (target.isValid() && size.isValid() && (size.width() > target.width() || size.height() > target.height()))
    reader.setScaledSize(size.scaled(target, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
  QImage image = reader.read();
  if (image.isNull())
    return image;
  if (target.isValid() && (image.width() > target.width() || image.height() > target.height()))
    image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

// BMP files have no transparency: transparent parts become white, as the
// batch run lays pictures on its white canvas.
QImage flattenedOnWhite(const QImage &image) {
  if (!image.hasAlphaChannel())
    return image;
  QImage out(image.size(), QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  p.drawImage(0, 0, image);
  return out;
}

QColor overlayOn(const QColor &bg, int alpha) {
  // Cells and frames a shade off the background, visible on all seven colours.
  return bg.lightness() > 140 ? QColor(0, 0, 0, alpha) : QColor(255, 255, 255, alpha);
}
} // namespace kuvo::viewer
