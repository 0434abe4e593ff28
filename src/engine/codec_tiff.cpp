// Uncompressed TIFF output, written by hand: one IFD, RGB, 3 x 8 bit,
// chunky samples, strips of about 64 KiB. Going through QImageWriter's TIFF
// plugin took over a second for a 12-megapixel picture (libtiff writing
// through a QIODevice), this takes as long as copying the pixels.
#include "engine/codec_formats.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

namespace kuvo {

namespace {

enum : quint16 { Short = 3, Long = 4, Rational = 5 };

struct Entry {
  quint16 tag;
  quint16 type;
  quint32 count;
  quint32 value; // the value itself, or the offset of the values
};

} // namespace

std::optional<QByteArray> encodeTiff(const QImage &image) {
  const QImage rgb = opaqueRgb32(image);
  if (rgb.isNull())
    return std::nullopt;
  const quint64 width = static_cast<quint64>(rgb.width());
  const quint64 height = static_cast<quint64>(rgb.height());
  const quint64 rowBytes = 3 * width;
  const quint64 rowsPerStrip = std::clamp<quint64>(65536 / rowBytes, 1, height);
  const quint64 strips = (height + rowsPerStrip - 1) / rowsPerStrip;

  // Layout: header, IFD, BitsPerSample values, two resolutions, the strip
  // offset and byte count tables, then the pixels.
  constexpr int entryCount = 13;
  const quint64 ifdOffset = 8;
  const quint64 ifdSize = 2 + 12 * entryCount + 4;
  const quint64 bitsOffset = ifdOffset + ifdSize;
  const quint64 xResOffset = bitsOffset + 6 + 2; // keep word alignment
  const quint64 yResOffset = xResOffset + 8;
  const quint64 offsetsOffset = yResOffset + 8;
  const quint64 countsOffset = offsetsOffset + 4 * strips;
  const quint64 pixelsOffset = countsOffset + 4 * strips;
  const quint64 fileSize = pixelsOffset + rowBytes * height;
  // Offsets are 32-bit in a classic TIFF.
  if (fileSize > std::numeric_limits<quint32>::max() ||
      fileSize > static_cast<quint64>(std::numeric_limits<qsizetype>::max()))
    return std::nullopt;

  QByteArray bytes(static_cast<qsizetype>(fileSize), Qt::Uninitialized);
  char *p = bytes.data();
  std::memset(p, 0, pixelsOffset);
  auto put16 = [p](quint64 at, quint16 v) { qToLittleEndian<quint16>(v, p + at); };
  auto put32 = [p](quint64 at, quint32 v) { qToLittleEndian<quint32>(v, p + at); };

  p[0] = 'I';
  p[1] = 'I';
  put16(2, 42);
  put32(4, static_cast<quint32>(ifdOffset));

  const auto u32 = [](quint64 v) { return static_cast<quint32>(v); };
  // A single offset or count is stored in the entry itself.
  const quint32 offsetsValue = strips == 1 ? u32(pixelsOffset) : u32(offsetsOffset);
  const quint32 countsValue = strips == 1 ? u32(rowBytes * height) : u32(countsOffset);
  const Entry entries[entryCount] = {
      {256, Long, 1, u32(width)},             // ImageWidth
      {257, Long, 1, u32(height)},            // ImageLength
      {258, Short, 3, u32(bitsOffset)},       // BitsPerSample 8, 8, 8
      {259, Short, 1, 1},                     // Compression: none
      {262, Short, 1, 2},                     // PhotometricInterpretation: RGB
      {273, Long, u32(strips), offsetsValue}, // StripOffsets
      {277, Short, 1, 3},                     // SamplesPerPixel
      {278, Long, 1, u32(rowsPerStrip)},      // RowsPerStrip
      {279, Long, u32(strips), countsValue},  // StripByteCounts
      {282, Rational, 1, u32(xResOffset)},    // XResolution
      {283, Rational, 1, u32(yResOffset)},    // YResolution
      {284, Short, 1, 1},                     // PlanarConfiguration: chunky
      {296, Short, 1, 2},                     // ResolutionUnit: inch
  };
  put16(ifdOffset, entryCount);
  for (int i = 0; i < entryCount; ++i) {
    const quint64 at = ifdOffset + 2 + 12 * i;
    put16(at, entries[i].tag);
    put16(at + 2, entries[i].type);
    put32(at + 4, entries[i].count);
    if (entries[i].type == Short && entries[i].count == 1)
      put16(at + 8, static_cast<quint16>(entries[i].value)); // left-justified
    else
      put32(at + 8, entries[i].value);
  }
  put32(ifdOffset + 2 + 12 * entryCount, 0); // no further IFD
  put16(bitsOffset, 8);
  put16(bitsOffset + 2, 8);
  put16(bitsOffset + 4, 8);
  put32(xResOffset, static_cast<quint32>(dotsPerInch(rgb, true)));
  put32(xResOffset + 4, 1);
  put32(yResOffset, static_cast<quint32>(dotsPerInch(rgb, false)));
  put32(yResOffset + 4, 1);
  for (quint64 s = 0; s < strips; ++s) {
    const quint64 rows = std::min(rowsPerStrip, height - s * rowsPerStrip);
    put32(offsetsOffset + 4 * s, u32(pixelsOffset + s * rowsPerStrip * rowBytes));
    put32(countsOffset + 4 * s, u32(rows * rowBytes));
  }

  auto *dst = reinterpret_cast<unsigned char *>(p + pixelsOffset);
  for (quint64 y = 0; y < height; ++y) {
    const auto *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(static_cast<int>(y)));
    for (quint64 x = 0; x < width; ++x) {
      const QRgb c = src[x];
      *dst++ = static_cast<unsigned char>(qRed(c));
      *dst++ = static_cast<unsigned char>(qGreen(c));
      *dst++ = static_cast<unsigned char>(qBlue(c));
    }
  }
  return bytes;
}

} // namespace kuvo
