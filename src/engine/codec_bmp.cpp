// 24-bit BMP output. Written by hand rather than through QImageWriter so the
// layout is fixed whatever the input format: BITMAPFILEHEADER +
// BITMAPINFOHEADER, no palette, BI_RGB, rows bottom-up, BGR, each row padded
// to a multiple of four bytes.
#include "engine/codec_formats.h"
#include "engine/image_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace kuvo {

namespace {

void put16(char *p, std::uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}

void put32(char *p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

std::optional<QByteArray> encodeBmp(const QImage &image) {
  const QImage rgb = opaqueRgb32(image);
  if (rgb.isNull())
    return std::nullopt;
  const qint64 width = rgb.width();
  const qint64 height = rgb.height();
  const qint64 stride = (3 * width + 3) & ~qint64(3);
  constexpr qint64 headerSize = 14 + 40;
  const qint64 fileSize = headerSize + stride * height;
  // The size fields are 32-bit.
  if (fileSize > std::numeric_limits<std::uint32_t>::max() || fileSize > std::numeric_limits<qsizetype>::max())
    return std::nullopt;

  QByteArray bytes(static_cast<qsizetype>(fileSize), Qt::Uninitialized);
  char *p = bytes.data();
  std::memset(p, 0, headerSize);
  p[0] = 'B';
  p[1] = 'M';
  put32(p + 2, static_cast<std::uint32_t>(fileSize));
  put32(p + 10, static_cast<std::uint32_t>(headerSize)); // offset of the pixels
  put32(p + 14, 40);                                     // BITMAPINFOHEADER
  put32(p + 18, static_cast<std::uint32_t>(width));
  put32(p + 22, static_cast<std::uint32_t>(height)); // positive: bottom-up
  put16(p + 26, 1);                                  // planes
  put16(p + 28, 24);                                 // bits per pixel
  put32(p + 30, 0);                                  // BI_RGB
  put32(p + 34, static_cast<std::uint32_t>(stride * height));
  put32(p + 38, static_cast<std::uint32_t>(std::max(rgb.dotsPerMeterX(), 0)));
  put32(p + 42, static_cast<std::uint32_t>(std::max(rgb.dotsPerMeterY(), 0)));

  for (qint64 y = 0; y < height; ++y) {
    const auto *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(static_cast<int>(height - 1 - y)));
    auto *dst = reinterpret_cast<unsigned char *>(p + headerSize + y * stride);
    for (qint64 x = 0; x < width; ++x) {
      const QRgb c = src[x];
      *dst++ = static_cast<unsigned char>(qBlue(c));
      *dst++ = static_cast<unsigned char>(qGreen(c));
      *dst++ = static_cast<unsigned char>(qRed(c));
    }
    for (qint64 pad = 3 * width; pad < stride; ++pad)
      *dst++ = 0;
  }
  return bytes;
}

} // namespace kuvo
