#pragma once
// Internals of the Lanczos-3 resampler that the tests reach: the choice
// between the SIMD and the portable code path, which must agree bit for bit.
#include <QImage>
#include <QRectF>
#include <QSize>

namespace kuvo::detail {

// True when this build has a SIMD path (SSE2 on x86).
bool resampleHasSimd();

// resampleLanczos3 with the SIMD path allowed or forced off.
QImage resampleLanczos3Impl(const QImage &src, const QRectF &srcRect, const QSize &dstSize, bool allowSimd);

} // namespace kuvo::detail
