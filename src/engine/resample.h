#pragma once
// High-quality resampling of RGB32 pictures with a separable Lanczos-3 filter.
#include <QImage>
#include <QRectF>
#include <QSize>

namespace kuvo {

// Resamples the part srcRect of src (Format_RGB32; sub-pixel rectangle in
// src's pixel coordinates) to a picture of exactly dstSize, Format_RGB32.
// Works for shrinking and enlarging; the filter is widened when shrinking so
// that it stays anti-aliased. An empty rectangle or size gives a null image.
QImage resampleLanczos3(const QImage &src, const QRectF &srcRect, const QSize &dstSize);

} // namespace kuvo
