#include "viewer/frm_pic_detail.h"

#include <QPainter>

namespace kuvo::viewer {

int g_slideCounter = 0;
int g_slideInterval = 0;

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
