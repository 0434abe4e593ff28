#include "engine/draw_overlays.h"

#include "engine/font_substitution.h"
#include "engine/overlay_image_cache.h"
#include "engine/photo_exif.h"
#include "engine/tile_grid.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <exception>

namespace kuvo {

namespace {

constexpr int margin = 5; // pixels between an anchored watermark and the canvas edge

const QString dateToken = QStringLiteral("#当前日期#");
const QString timeToken = QStringLiteral("#当前时间#");
const QString exifDateToken = QStringLiteral("#JPG照片拍摄时间#");
const QString fileNameToken = QStringLiteral("#图片原文件名#");

int roundEven(double v) {
  return static_cast<int>(std::nearbyint(v));
}

// Windows RGB value: red in the low byte, then green, then blue.
QColor windowsColor(quint32 rgb, int opacityPercent) {
  const int alpha = static_cast<int>(std::lround(std::clamp(opacityPercent, 0, 100) * 255 / 100.0));
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF, alpha);
}

QString tileErrorEntry(const QString &path, const QString &what) {
  return path + QStringLiteral("在添加平铺%1时发生错误:副本超过%2个，请增大水印或间距。\r\n").arg(what).arg(MaxTileCopies);
}

// Draws one copy per grid point, each turned by the grid's angle about its
// centre; draw paints the copy centred on (0, 0). False when the grid would
// need too many copies (nothing drawn).
template <typename Draw>
bool drawTiles(QPainter &painter, int W, int H, QSizeF box, QPointF origin, const ProcessingSettings &s,
               const Draw &draw) {
  QVector<QPointF> centres;
  if (!tileCentres(QSizeF(W, H), box, origin, s.tileAngle, s.tileSpacing, centres))
    return false;
  const QTransform before = painter.transform();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, s.tileAngle != 0);
  for (const QPointF &c : centres) {
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(s.tileAngle);
    painter.setTransform(t);
    draw();
  }
  painter.setTransform(before);
  return true;
}

// Top-left corner of a w x h box on a W x H canvas by anchor. Returns false for
// the free position, which each watermark computes from its own fractions.
bool anchoredCorner(int anchor, double W, double H, double w, double h, double &x, double &y) {
  switch (anchor) {
  case AnchorBottomRight:
    x = W - w - margin;
    y = H - h - margin;
    return true;
  case AnchorBottomLeft:
    x = margin;
    y = H - h - margin;
    return true;
  case AnchorTopLeft:
    x = margin;
    y = margin;
    return true;
  case AnchorTopRight:
    x = W - w - margin;
    y = margin;
    return true;
  case AnchorCenter:
    x = (W - w) / 2;
    y = (H - h) / 2;
    return true;
  default:
    return false;
  }
}

QString watermarkErrorEntry(const QString &path, const QString &description = QString()) {
  return path + QStringLiteral("在添加图片水印时发生错误:(错误代码:") + QString::number(0) + QStringLiteral(")") +
         description + QStringLiteral("。") + QStringLiteral("\r\n");
}

QString unreadable(const QString &what, const QString &file) {
  return QStringLiteral("无法读取%1“%2”").arg(what, QDir::toNativeSeparators(file));
}

QString stepErrorStatus(int number, const QString &description) {
  return QStringLiteral("【错误提示】在处理图片时发生错误:(错误代码:") + QString::number(number) + QStringLiteral(")") +
         description + QStringLiteral("。");
}

// A failure of the step as a whole: nothing of it reaches the canvas.
OverlayPlacement failed(int number, const QString &description) {
  OverlayPlacement placement;
  placement.statusText = stepErrorStatus(number, description);
  return placement;
}

// Stretches a prepared overlay over target: a picture already scaled to the
// target is copied as it is, anything else is resampled while drawing.
void drawPrepared(QPainter &painter, const QRect &target, const QImage &image) {
  if (image.size() == target.size()) {
    painter.drawImage(target.topLeft(), image);
  } else {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image);
  }
}

void drawBorder(QPainter &painter, const SourceFile &source, const QString &borderFile, int W, int H,
                QString &errorText) {
  // A border that cannot be read is left out, and the picture says so.
  const QImage decoded = decodeOverlayImage(borderFile);
  if (decoded.isNull()) {
    errorText += source.path + QStringLiteral("在添加边框时发生错误:") +
                 unreadable(QStringLiteral("边框图片"), borderFile) + QStringLiteral("。\r\n");
    return;
  }
  const QImage border = prepareOverlayImage(borderFile, decoded, QSize(W, H), nullptr);
  if (border.isNull())
    throw std::bad_alloc();
  drawPrepared(painter, QRect(0, 0, W, H), border);
}

void drawPictureWatermark(QPainter &painter, const SourceFile &source, const ProcessingSettings &s, int W, int H,
                          OverlayPlacement &placement, QString &errorText) {
  const QImage decoded = decodeOverlayImage(s.pictureWatermarkFile);
  if (decoded.isNull()) {
    // Nothing drawn and, as there is no size to place, nothing stored.
    errorText += watermarkErrorEntry(source.path, unreadable(QStringLiteral("水印图片"), s.pictureWatermarkFile));
    return;
  }
  const double scale = s.pictureWatermarkScale;
  const double w = decoded.width() * scale;
  const double h = decoded.height() * scale;
  placement.watermarkSize = QSizeF(w, h);

  double x = 0, y = 0;
  if (s.pictureWatermarkAnchor == AnchorTile) {
    const QSize size(roundEven(w), roundEven(h));
    if (size.isEmpty())
      return;
    const QImage image = prepareOverlayImage(s.pictureWatermarkFile, decoded, size, &s.watermarkMatrix);
    if (image.isNull()) {
      errorText += watermarkErrorEntry(source.path);
      return;
    }
    const QPointF origin(W * s.pictureWatermarkX, H * s.pictureWatermarkY);
    const QPointF corner(-size.width() / 2.0, -size.height() / 2.0);
    if (!drawTiles(painter, W, H, QSizeF(size), origin, s, [&] { painter.drawImage(corner, image); }))
      errorText += tileErrorEntry(source.path, QStringLiteral("图片水印"));
    else // the copy at the origin, for the preview's marker and hit test
      placement.pictureRect = QRect(roundEven(origin.x() + corner.x()), roundEven(origin.y() + corner.y()),
                                    size.width(), size.height());
    return;
  }
  if (anchoredCorner(s.pictureWatermarkAnchor, W, H, w, h, x, y)) {
    placement.pictureStored = true;
    placement.pictureX = (x + w / 2) / W;
    placement.pictureY = (y + h / 2) / H;
  } else {
    x = W * s.pictureWatermarkX - w / 2;
    y = H * s.pictureWatermarkY - h / 2;
  }

  const QRect target(roundEven(x), roundEven(y), roundEven(w), roundEven(h));
  if (target.width() <= 0 || target.height() <= 0)
    return; // scaled to nothing: there is nothing to draw
  const QImage image = prepareOverlayImage(s.pictureWatermarkFile, decoded, target.size(), &s.watermarkMatrix);
  if (image.isNull()) {
    errorText += watermarkErrorEntry(source.path);
    return;
  }
  drawPrepared(painter, target, image);
  placement.pictureRect = target;
}

void drawTextWatermark(QPainter &painter, const SourceFile &source, const ProcessingSettings &s, int W, int H,
                       OverlayPlacement &placement, QString &errorText) {
  const QString printed = watermarkText(s.text, source, QDateTime::currentDateTime());
  painter.setFont(watermarkFont(s.fontName, s.fontSize, s.bold, s.italic, s.underline));
  const QFontMetrics metrics = painter.fontMetrics();
  const double tw = metrics.horizontalAdvance(printed);
  const double th = metrics.height();

  double x = 0, y = 0;
  if (s.textAnchor == AnchorTile) {
    if (printed.isEmpty())
      return;
    painter.setPen(windowsColor(s.textColor, s.textOpacity));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // One copy's top-left corner lies at the stored fractions, as when free.
    const QPointF topLeft(W * s.textX, H * s.textY);
    const QPointF baseline(-tw / 2, -th / 2 + metrics.ascent());
    if (!drawTiles(painter, W, H, QSizeF(tw, th), topLeft + QPointF(tw / 2, th / 2), s,
                   [&] { painter.drawText(baseline, printed); }))
      errorText += tileErrorEntry(source.path, QStringLiteral("文字水印"));
    else
      placement.textRect = QRect(QPoint(roundEven(topLeft.x()), roundEven(topLeft.y())), QSize(roundEven(tw), roundEven(th)));
    return;
  }
  if (anchoredCorner(s.textAnchor, W, H, tw, th, x, y)) {
    placement.textStored = true;
    placement.textX = x / W;
    placement.textY = y / H;
  } else {
    x = W * s.textX;
    y = H * s.textY;
  }
  if (printed.isEmpty())
    return;
  const QPoint topLeft(roundEven(x), roundEven(y));
  painter.setPen(windowsColor(s.textColor, s.textOpacity));
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.drawText(QPoint(topLeft.x(), topLeft.y() + metrics.ascent()), printed);
  placement.textRect = QRect(topLeft, QSize(roundEven(tw), roundEven(th)));
}

} // namespace

QString watermarkText(const QString &text, const SourceFile &source, const QDateTime &now) {
  if (text == dateToken)
    return now.toString(QStringLiteral("yyyy年MM月dd日"));
  if (text == timeToken)
    return now.toString(QStringLiteral("yyyy年MM月dd日 HH:mm"));
  if (text == exifDateToken) {
    return photoDateTimeOriginal(source.data); // from a JPEG's APP1 or a HEIF's EXIF block
  }
  if (text == fileNameToken) {
    const QString name = QFileInfo(source.path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 ? name.left(dot) : name;
  }
  return text;
}

void clearOverlayImageCache() {
  clearOverlayImages();
}

OverlayPlacement DrawOverlays(QImage &canvas, const SourceFile &source, const ProcessingSettings &settings,
                              QString &errorText) {
  const ProcessingSettings &s = settings;
  const bool borderOn = !s.borderFile.isEmpty() && s.borderFile != NoBorderText;
  const bool pictureOn = s.pictureWatermarkOn && !s.pictureWatermarkFile.isEmpty();
  const bool textOn = s.drawsText();
  if (!borderOn && !pictureOn && !textOn)
    return {};

  const int W = canvas.width();
  const int H = canvas.height();
  if (canvas.isNull() || W <= 0 || H <= 0) {
    // Placing a watermark divides by the canvas size.
    if (pictureOn || textOn)
      return failed(11, QStringLiteral("除数为零"));
    return {};
  }
  if (textOn && !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
    return failed(0, QStringLiteral("没有可用的字体"));

  OverlayPlacement placement;
  QString entries; // error entries of this step, handed over at the end
  try {
    if (textOn)
      installFontSubstitutions();
    // Everything is drawn on a copy that replaces the canvas only when the
    // whole step succeeded, so nothing half-drawn reaches the saved file.
    QImage work = canvas.copy();
    if (work.isNull())
      return failed(7, QStringLiteral("内存不足"));
    QPainter painter;
    if (!painter.begin(&work)) {
      errorText += watermarkErrorEntry(source.path);
      return failed(0, QString());
    }
    if (borderOn)
      drawBorder(painter, source, s.borderFile, W, H, entries);
    if (pictureOn)
      drawPictureWatermark(painter, source, s, W, H, placement, entries);
    if (textOn)
      drawTextWatermark(painter, source, s, W, H, placement, entries);
    if (!painter.end()) {
      errorText += entries;
      return failed(0, QString());
    }
    canvas = std::move(work);
  } catch (const std::bad_alloc &) {
    errorText += entries;
    return failed(7, QStringLiteral("内存不足"));
  } catch (const std::exception &e) {
    errorText += entries;
    return failed(0, QString::fromLocal8Bit(e.what()));
  }
  errorText += entries;
  return placement;
}

} // namespace kuvo
