#include "viewer/viewer_geometry.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace kuvo::viewer {

namespace {
struct NamedColor {
  const char *caption;
  int r, g, b;
};
constexpr NamedColor Colors[BackgroundColorCount] = {
    {"黑色", 0, 0, 0},   {"白色", 255, 255, 255}, {"灰色", 125, 125, 125}, {"红色", 255, 0, 0},
    {"蓝色", 0, 0, 255}, {"绿色", 0, 255, 0},     {"黄色", 255, 255, 0},
};
constexpr int ThumbnailGap = 8;
} // namespace

QColor backgroundColor(int index) {
  if (index < 0 || index >= BackgroundColorCount)
    index = 0;
  return QColor(Colors[index].r, Colors[index].g, Colors[index].b);
}

QString backgroundColorCaption(int index) {
  if (index < 0 || index >= BackgroundColorCount)
    return QString();
  return QString::fromUtf8(Colors[index].caption);
}

QRect fitRect(QSize picture, QSize screen) {
  const qint64 w = picture.width(), h = picture.height();
  const qint64 sw = screen.width(), sh = screen.height();
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
    return QRect();
  if (w * sh >= sw * h) { // relatively wide
    if (w > sw) {
      const int height = int(std::max<qint64>(1, sw * h / w));
      return QRect(0, int((sh - height) / 2), int(sw), height);
    }
  } else if (h > sh) {
    const int width = int(std::max<qint64>(1, sh * w / h));
    return QRect(int((sw - width) / 2), 0, width, int(sh));
  }
  return QRect(int((sw - w) / 2), int((sh - h) / 2), int(w), int(h));
}

QRect originalSizeRect(QSize picture, QSize screen) {
  const int left = picture.width() < screen.width() ? (screen.width() - picture.width()) / 2 : 0;
  const int top = picture.height() < screen.height() ? (screen.height() - picture.height()) / 2 : 0;
  return QRect(QPoint(left, top), picture);
}

int pannedPosition(int positionAtPress, int delta, int pictureSize, int screenSize) {
  if (pictureSize <= screenSize)
    return positionAtPress;
  return std::clamp(positionAtPress + delta, screenSize - pictureSize, 0);
}

QRect thumbnailRect(int i, QSize screen) {
  const int gap = ThumbnailGap;
  const int barTop = screen.height() - ButtonBarBottomGap;
  const double kx =
      double(screen.width() - (ThumbnailColumns + 1) * gap) / (ThumbnailColumns * ThumbnailDesignSize.width());
  const double ky = double(barTop - (ThumbnailRows + 1) * gap) / (ThumbnailRows * ThumbnailDesignSize.height());
  const double k = std::max(0.2, std::min(kx, ky));
  const int w = std::max(8, int(std::lround(ThumbnailDesignSize.width() * k)));
  const int h = std::max(8, int(std::lround(ThumbnailDesignSize.height() * k)));
  const int gridWidth = ThumbnailColumns * w + (ThumbnailColumns - 1) * gap;
  const int x0 = std::max(0, (screen.width() - gridWidth) / 2);
  const int col = i % ThumbnailColumns, row = i / ThumbnailColumns;
  return QRect(x0 + col * (w + gap), gap + row * (h + gap), w, h);
}

QRect buttonBarRect(QSize screen) {
  return QRect(QPoint((screen.width() - ButtonBarSize.width()) / 2, screen.height() - ButtonBarBottomGap),
               ButtonBarSize);
}

PageRange pageRange(int count, int page) {
  PageRange r;
  if (page < 0)
    page = 0;
  r.first = page * ThumbnailsPerPage;
  r.last = std::min(count - 1, r.first + ThumbnailsPerPage - 1);
  r.prevEnabled = page > 0;
  r.nextEnabled = qint64(page + 1) * ThumbnailsPerPage < count;
  return r;
}

int pageOf(int index) {
  return index < 0 ? 0 : index / ThumbnailsPerPage;
}

int wheelStep(int angleY, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  if (buttons != Qt::NoButton || (modifiers & ~Qt::KeypadModifier) != Qt::NoModifier)
    return 0;
  if (angleY == -120)
    return 1;
  if (angleY == 120)
    return -1;
  return 0;
}

int parseSlideInterval(const QString &text, int current) {
  int i = 0;
  while (i < text.size() && text.at(i).isSpace())
    ++i;
  qint64 value = 0;
  int digits = 0;
  for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i, ++digits) {
    value = value * 10 + (text.at(i).unicode() - '0');
    if (value > SlideIntervalMax)
      return current;
  }
  if (digits == 0 || value < 1)
    return current;
  return int(value);
}

QRect spanRect(QPoint a, QPoint b) {
  const int l = std::min(a.x(), b.x()), r = std::max(a.x(), b.x());
  const int t = std::min(a.y(), b.y()), btm = std::max(a.y(), b.y());
  return QRect(l, t, std::max(1, r - l), std::max(1, btm - t));
}

QPoint handlePoint(const QRect &s, int k) {
  const int l = s.x(), t = s.y(), r = s.x() + s.width(), b = s.y() + s.height();
  const int cx = l + s.width() / 2, cy = t + s.height() / 2;
  switch (k) {
  case 0:
    return {l, t};
  case 1:
    return {cx, t};
  case 2:
    return {r, t};
  case 3:
    return {l, cy};
  case 4:
    return {l, b};
  case 5:
    return {cx, b};
  case 6:
    return {r, b};
  default:
    return {r, cy};
  }
}

Qt::CursorShape handleCursor(int k) {
  switch (k) {
  case 0:
  case 6:
    return Qt::SizeFDiagCursor;
  case 2:
  case 4:
    return Qt::SizeBDiagCursor;
  case 1:
  case 5:
    return Qt::SizeVerCursor;
  default:
    return Qt::SizeHorCursor;
  }
}

namespace {
// Orders two edges, keeps them inside [lo, hi] and at least one pixel apart.
void normaliseAxis(int &a, int &b, int lo, int hi) {
  if (a > b)
    std::swap(a, b);
  a = std::clamp(a, lo, hi);
  b = std::clamp(b, lo, hi);
  if (b - a < 1) {
    if (a + 1 <= hi)
      b = a + 1;
    else
      a = b - 1;
  }
}
} // namespace

QRect resizedSelection(const QRect &p, int k, QPoint d, const QRect &bounds) {
  int l = p.x(), t = p.y(), r = p.x() + p.width(), b = p.y() + p.height();
  const bool left = k == 0 || k == 3 || k == 4;
  const bool right = k == 2 || k == 6 || k == 7;
  const bool top = k == 0 || k == 1 || k == 2;
  const bool bottom = k == 4 || k == 5 || k == 6;
  if (left)
    l += d.x();
  if (right)
    r += d.x();
  if (top)
    t += d.y();
  if (bottom)
    b += d.y();
  normaliseAxis(l, r, bounds.x(), bounds.x() + bounds.width());
  normaliseAxis(t, b, bounds.y(), bounds.y() + bounds.height());
  return QRect(l, t, r - l, b - t);
}

QRect movedSelection(const QRect &p, QPoint d, const QRect &bounds) {
  int x = p.x() + d.x(), y = p.y() + d.y();
  x = std::min(x, bounds.x() + bounds.width() - p.width());
  y = std::min(y, bounds.y() + bounds.height() - p.height());
  x = std::max(x, bounds.x());
  y = std::max(y, bounds.y());
  return QRect(x, y, p.width(), p.height());
}

QRect cutRegion(const QRect &sel, int displayedWidth, QSize original) {
  if (displayedWidth <= 0 || original.isEmpty() || sel.isEmpty())
    return QRect();
  const double scale = double(original.width()) / displayedWidth;
  int l = int(std::lround(sel.x() * scale)), r = int(std::lround((sel.x() + sel.width()) * scale));
  int t = int(std::lround(sel.y() * scale)), b = int(std::lround((sel.y() + sel.height()) * scale));
  normaliseAxis(l, r, 0, original.width());
  normaliseAxis(t, b, 0, original.height());
  return QRect(l, t, r - l, b - t);
}

QString uniqueCropPath(const QString &folder, const QString &stamp) {
  const QString base = folder + QStringLiteral("/user") + stamp;
  QString path = base + QStringLiteral(".bmp");
  for (int n = 2; QFileInfo::exists(path); ++n)
    path = base + QLatin1Char('_') + QString::number(n) + QStringLiteral(".bmp");
  return path;
}

} // namespace kuvo::viewer
