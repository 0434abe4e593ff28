#include "engine/resample.h"

// Interim resampler until the Lanczos-3 filter lands: Qt's smooth scaling.
namespace kuvo {
QImage resampleLanczos3(const QImage &src, const QRectF &srcRect, const QSize &dstSize) {
  if (src.isNull() || srcRect.isEmpty() || dstSize.isEmpty())
    return {};
  return src.copy(srcRect.toAlignedRect())
      .scaled(dstSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_RGB32);
}
} // namespace kuvo
