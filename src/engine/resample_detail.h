#pragma once
// Internals of the Lanczos-3 resampler that the tests reach: the choice
// between the SIMD and the portable code paths, which must agree bit for bit.
#include <QImage>
#include <QRectF>
#include <QSize>

#include <functional>
#include <vector>

namespace kuvo::detail {

enum class ResamplePath { Portable, Sse2, Avx2 };

// The paths this build and this processor can run, the fastest last;
// resampleLanczos3 uses the last.
std::vector<ResamplePath> availableResamplePaths();
const char *resamplePathName(ResamplePath path);

// resampleLanczos3 on the given path.
QImage resampleLanczos3Impl(const QImage &src, const QRectF &srcRect, const QSize &dstSize, ResamplePath path);
QImage resampleLanczos3RowsImpl(QSize srcSize, const std::function<const uchar *(int)> &rowAt, const QRectF &srcRect,
                                const QSize &dstSize, ResamplePath path);

} // namespace kuvo::detail
