// Where CDIB meets Qt: copying pixels in from and out to a QImage.
#include "imaging/cdib.h"

#include <QImage>

namespace kuvo {

void CDIB::CloneHDC(const QImage &source, int x, int y) {
  if (!HasPixels() || source.isNull())
    return;
  const QImage src = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
                         ? source
                         : source.convertToFormat(QImage::Format_RGB32);
  const int x0 = std::max(0, -x), x1 = std::min<int>(m_width, src.width() - x);
  if (x0 >= x1)
    return;
  for (std::int32_t r = 0; r < m_height; ++r) {
    const int sy = y + (m_height - 1 - r); // memory row r is picture row H - 1 - r
    if (sy < 0 || sy >= src.height())
      continue;
    const auto *s = reinterpret_cast<const QRgb *>(src.constScanLine(sy)) + x;
    std::uint8_t *d = &m_bits[std::size_t(r) * m_stride];
    for (int px = x0; px < x1; ++px) {
      const QRgb c = s[px];
      d[3 * px] = std::uint8_t(qBlue(c));
      d[3 * px + 1] = std::uint8_t(qGreen(c));
      d[3 * px + 2] = std::uint8_t(qRed(c));
    }
  }
}

void CDIB::PaintTo(QImage &target, int x, int y) const {
  if (!HasPixels() || target.isNull())
    return;
  if (target.format() != QImage::Format_RGB32)
    target = target.convertToFormat(QImage::Format_RGB32);
  const int x0 = std::max(0, -x), x1 = std::min<int>(m_width, target.width() - x);
  if (x0 >= x1)
    return;
  for (std::int32_t r = 0; r < m_height; ++r) {
    const int ty = y + (m_height - 1 - r);
    if (ty < 0 || ty >= target.height())
      continue;
    auto *d = reinterpret_cast<QRgb *>(target.scanLine(ty)) + x;
    const std::uint8_t *s = &m_bits[std::size_t(r) * m_stride];
    for (int px = x0; px < x1; ++px)
      d[px] = qRgb(s[3 * px + 2], s[3 * px + 1], s[3 * px]);
  }
}

} // namespace kuvo
