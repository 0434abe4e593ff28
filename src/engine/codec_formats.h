#pragma once
// The individual encoders behind encodeWithEncoder. Each takes any QImage and
// returns the complete file in memory, or nullopt when it cannot encode.
#include <QByteArray>
#include <QImage>
#include <optional>

namespace kuvo {

// The picture as opaque Format_RGB32. A picture with an alpha channel is laid
// over white, the colour of an empty canvas, so every encoder sees the same
// pixels whatever format the caller handed in.
QImage opaqueRgb32(const QImage &image);

// Baseline JPEG through TurboJPEG: standard libjpeg quality scale (clamped to
// 0-100), 4:2:0 chroma subsampling, JFIF density taken from the picture.
std::optional<QByteArray> encodeJpeg(const QImage &image, int quality);

// GIF89a through giflib, with a palette of at most 256 colours chosen and
// dithered by libimagequant.
std::optional<QByteArray> encodeGif(const QImage &image);

// PNG through libpng: 8-bit RGB, "Sub" filter, run-length zlib; resolution,
// colour profile and text keys of the picture are kept.
std::optional<QByteArray> encodePng(const QImage &image);

// Baseline uncompressed TIFF: RGB, 3 samples of 8 bits, resolution in dpi.
std::optional<QByteArray> encodeTiff(const QImage &image);

// Dots per inch stored in the picture, rounded; 96 when it carries none.
int dotsPerInch(const QImage &image, bool horizontal);

} // namespace kuvo
