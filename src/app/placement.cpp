#include "app/placement.h"

#include "engine/picture_files.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>

namespace kuvo {

QRect fitRect(QSize area, QSize picture) {
  const int bw = area.width(), bh = area.height();
  const int pw = picture.width(), ph = picture.height();
  if (bw <= 0 || bh <= 0 || pw <= 0 || ph <= 0)
    return {};
  int w = pw, h = ph;
  // Compare bh/bw with ph/pw without dividing.
  if (qint64(bh) * pw >= qint64(ph) * bw) {
    if (pw > bw) {
      w = bw;
      h = std::max(1, int(std::lround(double(bw) * ph / pw)));
      return {0, (bh - h) / 2, w, h};
    }
  } else if (ph > bh) {
    h = bh;
    w = std::max(1, int(std::lround(double(bh) * pw / ph)));
    return {(bw - w) / 2, 0, w, h};
  }
  return {(bw - w) / 2, (bh - h) / 2, w, h};
}

QRectF textMarker(const PreviewGeometry &g, double xt, double yt) {
  const double w = g.shown.width(), h = g.shown.height();
  return {g.shown.left() + w * xt, g.shown.top() + h * yt + g.textSize.height() / 2 * g.scale,
          g.textSize.width() * g.scale, MarkerHeight};
}

QRectF pictureMarker(const PreviewGeometry &g, double xi, double yi) {
  const double w = g.shown.width(), h = g.shown.height();
  const double pw = g.pictureSize.width() * g.scale, ph = g.pictureSize.height() * g.scale;
  return {g.shown.left() + w * xi - pw / 2, g.shown.top() + h * yi + ph / 2, pw, MarkerHeight};
}

PlacementTarget hitTest(const PreviewGeometry &g, QPointF p, bool textOn, double xt, double yt, bool pictureOn,
                        double xi, double yi) {
  const double w = g.shown.width(), h = g.shown.height();
  if (textOn && !g.textSize.isEmpty()) {
    const double tw = g.textSize.width() * g.scale, th = g.textSize.height() * g.scale;
    if (w * xt - tw / 4 < p.x() && p.x() < w * xt + tw && h * yt - th < p.y() && p.y() < h * yt + 2 * th)
      return PlacementTarget::Text;
  }
  if (pictureOn && !g.pictureSize.isEmpty()) {
    const double pw = g.pictureSize.width() * g.scale, ph = g.pictureSize.height() * g.scale;
    if (w * xi - pw / 2 < p.x() && p.x() < w * xi + pw / 2 && h * yi - ph / 2 < p.y() && p.y() < h * yi + ph / 2)
      return PlacementTarget::Picture;
  }
  return PlacementTarget::None;
}

Fraction dragText(const PreviewGeometry &g, QPointF p) {
  const double w = g.shown.width(), h = g.shown.height();
  if (w <= 0 || h <= 0)
    return {};
  const double markerWidth = g.textSize.width() * g.scale;
  return {(p.x() - markerWidth / 2) / w, p.y() / h};
}

Fraction dragPicture(const PreviewGeometry &g, QPointF p) {
  const double w = g.shown.width(), h = g.shown.height();
  if (w <= 0 || h <= 0)
    return {};
  return {p.x() / w, p.y() / h};
}

Fraction dragGrid(const PreviewGeometry &g, Fraction start, QPointF from, QPointF to) {
  const double w = g.shown.width(), h = g.shown.height();
  if (w <= 0 || h <= 0)
    return start;
  return {start.x + (to.x() - from.x()) / w, start.y + (to.y() - from.y()) / h};
}

QPointF dragOrigin(const PreviewGeometry &g, QPointF p) {
  const double s = g.scale > 0 ? g.scale : 1;
  return {std::round((p.x() - g.shown.width() / 2) / s), std::round((p.y() - g.shown.height() / 2) / s)};
}

Fraction nudgeFraction(const PreviewGeometry &g, Fraction f, int dx, int dy) {
  const double w = g.shown.width(), h = g.shown.height();
  if (w > 0)
    f.x += dx / w;
  if (h > 0)
    f.y += dy / h;
  return f;
}

int wheelKey(int angleDelta, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  if (modifiers != Qt::NoModifier || buttons != Qt::NoButton)
    return 0;
  if (angleDelta == 120)
    return Qt::Key_Up;
  if (angleDelta == -120)
    return Qt::Key_Down;
  return 0;
}

std::optional<QPointF> parseOrigin(const QString &answer) {
  if (answer.size() < 3)
    return std::nullopt;
  const qsizetype comma = answer.indexOf(QLatin1Char(','));
  if (comma < 0)
    return std::nullopt;
  bool okX = false, okY = false;
  const double x = answer.left(comma).trimmed().toDouble(&okX);
  const double y = answer.mid(comma + 1).trimmed().toDouble(&okY);
  if (!okX || !okY || !std::isfinite(x) || !std::isfinite(y) || x < 0 || y < 0 || x > OriginLimit || y > OriginLimit)
    return std::nullopt;
  return QPointF(x, y);
}

QStringList splitCommandTail(const QString &tail) {
  QString text = tail;
  text.remove(QLatin1Char('"'));
  QString joined;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char(' ') && text.mid(i + 2, 2) == QLatin1String(":\\")) {
      if (!joined.isEmpty())
        joined += QLatin1Char('|');
      continue;
    }
    joined += c;
  }
  if (joined.isEmpty())
    return {};
  return joined.split(QLatin1Char('|'));
}

QStringList commandLinePictures(const QStringList &arguments) {
  QStringList candidates;
  static const QRegularExpression windowsTail(QStringLiteral("(^|[\" ])[A-Za-z]:\\\\"));
  if (arguments.size() == 1 && windowsTail.match(arguments.first()).hasMatch()) {
    candidates = splitCommandTail(arguments.first());
  } else {
    for (const QString &arg : arguments)
      if (!arg.isEmpty())
        candidates << QDir::cleanPath(QFileInfo(arg).absoluteFilePath());
  }
  QStringList pictures;
  for (const QString &c : candidates)
    if (isAcceptedPicture(c))
      pictures << c;
  return pictures;
}

} // namespace kuvo
