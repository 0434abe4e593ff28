#include "engine/color_matrix.h"

#include <QImage>
#include <algorithm>
#include <cmath>

namespace kuvo {

ColorMatrix identityMatrix() {
  ColorMatrix m{};
  for (int i = 0; i < 5; ++i)
    m[i * 5 + i] = 1.0f;
  return m;
}

bool isIdentity(const ColorMatrix &m) { return m == identityMatrix(); }

ColorMatrix channelMatrix(float red, float green, float blue) {
  ColorMatrix m = identityMatrix();
  m[0] = red;
  m[6] = green;
  m[12] = blue;
  return m;
}

namespace {
inline int clampByte(float v) { return static_cast<int>(std::clamp(std::nearbyint(v), 0.0f, 255.0f)); }
} // namespace

void applyColorMatrix(QImage &image, const ColorMatrix &m) {
  if (isIdentity(m) || image.isNull())
    return;
  const bool hasAlpha = image.hasAlphaChannel();
  if (hasAlpha && image.format() != QImage::Format_ARGB32)
    image.convertTo(QImage::Format_ARGB32);
  else if (!hasAlpha && image.format() != QImage::Format_RGB32)
    image.convertTo(QImage::Format_RGB32);
  // With 0..255 channel values the constant row (row 4) scales by 255.
  const float c4[4] = {m[20] * 255.0f, m[21] * 255.0f, m[22] * 255.0f, m[23] * 255.0f};
  for (int y = 0; y < image.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      const float r = qRed(p), g = qGreen(p), b = qBlue(p), a = hasAlpha ? qAlpha(p) : 255.0f;
      const float nr = r * m[0] + g * m[5] + b * m[10] + a * m[15] + c4[0];
      const float ng = r * m[1] + g * m[6] + b * m[11] + a * m[16] + c4[1];
      const float nb = r * m[2] + g * m[7] + b * m[12] + a * m[17] + c4[2];
      const int na = hasAlpha ? clampByte(r * m[3] + g * m[8] + b * m[13] + a * m[18] + c4[3]) : 255;
      line[x] = qRgba(clampByte(nr), clampByte(ng), clampByte(nb), na);
    }
  }
}

void applyColorMatrixOverWhite(QImage &image, const ColorMatrix &m) {
  if (isIdentity(m) || image.isNull())
    return;
  if (image.format() != QImage::Format_RGB32)
    image.convertTo(QImage::Format_RGB32);
  const float c4[4] = {m[20] * 255.0f, m[21] * 255.0f, m[22] * 255.0f, m[23] * 255.0f};
  for (int y = 0; y < image.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      const float r = qRed(p), g = qGreen(p), b = qBlue(p);
      const float a = std::clamp(r * m[3] + g * m[8] + b * m[13] + 255.0f * m[18] + c4[3], 0.0f, 255.0f) / 255.0f;
      const float white = 255.0f * (1.0f - a);
      const float nr = std::clamp(r * m[0] + g * m[5] + b * m[10] + 255.0f * m[15] + c4[0], 0.0f, 255.0f);
      const float ng = std::clamp(r * m[1] + g * m[6] + b * m[11] + 255.0f * m[16] + c4[1], 0.0f, 255.0f);
      const float nb = std::clamp(r * m[2] + g * m[7] + b * m[12] + 255.0f * m[17] + c4[2], 0.0f, 255.0f);
      line[x] = qRgb(clampByte(nr * a + white), clampByte(ng * a + white), clampByte(nb * a + white));
    }
  }
}

} // namespace kuvo
