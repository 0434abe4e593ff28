#pragma once
// Border and watermark pictures decoded once and kept while their file is
// unchanged, so a batch of many pictures decodes, recolours and scales each
// overlay once per size instead of once per picture. Thread-safe.
#include "engine/color_matrix.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace kuvo {

// The picture in path as Format_ARGB32; null when it cannot be read.
QImage decodeOverlayImage(const QString &path);

// decoded (the result of decodeOverlayImage for path) recoloured by matrix
// (nullptr: as it is) in Format_ARGB32_Premultiplied. When size is no larger
// than the picture in both directions the result is already scaled to size
// (area-averaged); otherwise it keeps its own size and the caller stretches it
// while drawing. Null when memory runs out.
QImage prepareOverlayImage(const QString &path, const QImage &decoded, QSize size, const ColorMatrix *matrix);

void clearOverlayImages();

} // namespace kuvo
