#pragma once
// High-quality resampling of RGB32 pictures with a separable Lanczos-3 filter.
#include <QImage>
#include <QRectF>
#include <QSize>

#include <functional>

namespace kuvo {

// Resamples the part srcRect of src (Format_RGB32; sub-pixel rectangle in
// src's pixel coordinates) to a picture of exactly dstSize, Format_RGB32.
// Works for shrinking and enlarging; the filter is widened when shrinking so
// that it stays anti-aliased. An empty rectangle or size gives a null image.
QImage resampleLanczos3(const QImage &src, const QRectF &srcRect, const QSize &dstSize);

// The same from a source of srcSize whose rows are handed over one at a
// time: rowAt(y) gives row y as Format_RGB32 pixels, valid until the next
// call. Rows are asked for in rising order, each once, so a decoder can
// stream them; a null row ends the resample with a null image.
using SourceRows = std::function<const uchar *(int y)>;
QImage resampleLanczos3Rows(QSize srcSize, const SourceRows &rowAt, const QRectF &srcRect, const QSize &dstSize);

} // namespace kuvo
