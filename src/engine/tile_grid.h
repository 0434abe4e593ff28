#pragma once
// The grid of a tiled watermark: copies of one box repeated over the whole
// canvas in rows and columns turned by an angle.
#include <QPointF>
#include <QSizeF>
#include <QVector>

namespace kuvo {

// More copies than this are refused rather than drawn for minutes.
inline constexpr int MaxTileCopies = 100000;

// The centres of every copy of a box that reaches a canvas: one copy is
// centred on origin, its neighbours lie one box and spacingPercent of it
// further along the rows and columns, and the grid is turned by
// angleDegrees about origin (positive turns clockwise on the canvas, as each
// copy is turned). Row by row, so the drawing order is fixed. Returns false,
// with out empty, when more than MaxTileCopies would be needed; an empty box
// gives no copies.
bool tileCentres(QSizeF canvas, QSizeF box, QPointF origin, double angleDegrees, int spacingPercent,
                 QVector<QPointF> &out);

} // namespace kuvo
