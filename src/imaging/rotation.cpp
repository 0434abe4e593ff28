#include "imaging/rotation.h"

#include <QTransform>

#include <cstdint>
#include <cstring>

namespace kuvo {

namespace {

enum Transform { None, ClockwiseQuarter, CounterQuarter, HalfTurn, RowsReversed, ColumnsReversed };

// The smart mode turns a photo upright from its EXIF orientation; the
// transposing orientations 5 and 7 are left as they are.
Transform fromOrientation(int orientation) {
  switch (orientation) {
  case 2: return ColumnsReversed;
  case 3: return HalfTurn;
  case 4: return RowsReversed;
  case 6: return ClockwiseQuarter;
  case 8: return CounterQuarter;
  default: return None;
  }
}

Transform fromMode(int rotateMode, int exifOrientation) {
  switch (rotateMode) {
  case 2: return fromOrientation(exifOrientation);
  case 3: return ClockwiseQuarter;
  case 4: return CounterQuarter;
  case 5: return HalfTurn;
  case 6: return RowsReversed;
  case 7: return ColumnsReversed;
  default: return None;
  }
}

// Pixel-exact permutations of a 32-bit image.
QImage permute32(const QImage &src, Transform t) {
  const int w = src.width(), h = src.height();
  const bool quarter = t == ClockwiseQuarter || t == CounterQuarter;
  QImage dst(quarter ? h : w, quarter ? w : h, src.format());
  if (dst.isNull())
    return {};
  dst.setDotsPerMeterX(quarter ? src.dotsPerMeterY() : src.dotsPerMeterX());
  dst.setDotsPerMeterY(quarter ? src.dotsPerMeterX() : src.dotsPerMeterY());
  switch (t) {
  case ClockwiseQuarter:
    // Source row y becomes destination column h - 1 - y.
    for (int y = 0; y < h; ++y) {
      const auto *s = reinterpret_cast<const std::uint32_t *>(src.constScanLine(y));
      const int dx = h - 1 - y;
      for (int x = 0; x < w; ++x)
        reinterpret_cast<std::uint32_t *>(dst.scanLine(x))[dx] = s[x];
    }
    break;
  case CounterQuarter:
    // Source row y becomes destination column y, read upwards.
    for (int y = 0; y < h; ++y) {
      const auto *s = reinterpret_cast<const std::uint32_t *>(src.constScanLine(y));
      for (int x = 0; x < w; ++x)
        reinterpret_cast<std::uint32_t *>(dst.scanLine(w - 1 - x))[y] = s[x];
    }
    break;
  case HalfTurn:
    for (int y = 0; y < h; ++y) {
      const auto *s = reinterpret_cast<const std::uint32_t *>(src.constScanLine(y));
      auto *d = reinterpret_cast<std::uint32_t *>(dst.scanLine(h - 1 - y));
      for (int x = 0; x < w; ++x)
        d[w - 1 - x] = s[x];
    }
    break;
  case RowsReversed:
    for (int y = 0; y < h; ++y)
      std::memcpy(dst.scanLine(h - 1 - y), src.constScanLine(y), std::size_t(w) * 4);
    break;
  case ColumnsReversed:
    for (int y = 0; y < h; ++y) {
      const auto *s = reinterpret_cast<const std::uint32_t *>(src.constScanLine(y));
      auto *d = reinterpret_cast<std::uint32_t *>(dst.scanLine(y));
      for (int x = 0; x < w; ++x)
        d[w - 1 - x] = s[x];
    }
    break;
  case None:
    return src;
  }
  return dst;
}

} // namespace

QImage RotateImage(const QImage &canvas, int rotateMode, int exifOrientation) {
  const Transform t = fromMode(rotateMode, exifOrientation);
  if (t == None || canvas.isNull())
    return canvas;
  if (canvas.depth() == 32)
    return permute32(canvas, t);
  // Other pixel formats: Qt's exact quarter turns and mirrors.
  switch (t) {
  case ClockwiseQuarter: return canvas.transformed(QTransform().rotate(90));
  case CounterQuarter: return canvas.transformed(QTransform().rotate(270));
  case HalfTurn: return canvas.transformed(QTransform().rotate(180));
  case RowsReversed: return canvas.mirrored(false, true);
  case ColumnsReversed: return canvas.mirrored(true, false);
  case None: break;
  }
  return canvas;
}

} // namespace kuvo
