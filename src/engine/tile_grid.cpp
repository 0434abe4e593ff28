#include "engine/tile_grid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kuvo {

bool tileCentres(QSizeF canvas, QSizeF box, QPointF origin, double angleDegrees, int spacingPercent,
                 QVector<QPointF> &out) {
  out.clear();
  const double gap = 1.0 + std::max(0, spacingPercent) / 100.0;
  const double pitchX = box.width() * gap, pitchY = box.height() * gap;
  if (!(pitchX > 0) || !(pitchY > 0) || canvas.isEmpty())
    return true;
  const double a = angleDegrees * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  // The grid repeats: an origin far off the canvas is moved by whole steps
  // to the copy nearest the canvas centre, so the counts below stay small.
  {
    const double dx = canvas.width() / 2 - origin.x(), dy = canvas.height() / 2 - origin.y();
    const double i = std::round((c * dx + s * dy) / pitchX), j = std::round((-s * dx + c * dy) / pitchY);
    if (!std::isfinite(i) || !std::isfinite(j))
      return true;
    origin += QPointF(i * pitchX * c - j * pitchY * s, i * pitchX * s + j * pitchY * c);
  }

  // The canvas corners in grid units (turned back about origin, divided by
  // the pitch) bound the rows and columns; one more on each side catches the
  // copies that only reach in with a corner.
  double minI = 1e300, maxI = -1e300, minJ = 1e300, maxJ = -1e300;
  for (const QPointF corner : {QPointF(0, 0), QPointF(canvas.width(), 0), QPointF(0, canvas.height()),
                               QPointF(canvas.width(), canvas.height())}) {
    const double dx = corner.x() - origin.x(), dy = corner.y() - origin.y();
    const double i = (c * dx + s * dy) / pitchX, j = (-s * dx + c * dy) / pitchY;
    minI = std::min(minI, i);
    maxI = std::max(maxI, i);
    minJ = std::min(minJ, j);
    maxJ = std::max(maxJ, j);
  }
  const double columns = std::ceil(maxI) - std::floor(minI) + 3, rows = std::ceil(maxJ) - std::floor(minJ) + 3;
  // The bounding rectangle holds about twice the copies the canvas does at
  // 45 degrees; compare with room for that.
  if (!(columns * rows <= 2.0 * MaxTileCopies + 64))
    return false;

  // A copy reaches the canvas when its centre lies within half its diagonal
  // of it.
  const double reach = std::hypot(box.width(), box.height()) / 2;
  for (qint64 j = qint64(std::floor(minJ)) - 1; j <= qint64(std::ceil(maxJ)) + 1; ++j)
    for (qint64 i = qint64(std::floor(minI)) - 1; i <= qint64(std::ceil(maxI)) + 1; ++i) {
      const double x = origin.x() + i * pitchX * c - j * pitchY * s;
      const double y = origin.y() + i * pitchX * s + j * pitchY * c;
      if (x < -reach || y < -reach || x > canvas.width() + reach || y > canvas.height() + reach)
        continue;
      out << QPointF(x, y);
      if (out.size() > MaxTileCopies) {
        out.clear();
        return false;
      }
    }
  return true;
}

} // namespace kuvo
