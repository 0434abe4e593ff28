#pragma once
// The geometry of the preview: fitting the canvas into the area, the markers
// of the watermarks, the hit test, dragging and nudging, and the small input
// rules of the preview (wheel notches, the coordinate box, the command line).
// Everything here is in preview pixels; one preview pixel is one step.
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <optional>

namespace kuvo {

// Fits a picture into an area without enlarging it: the side that decides is
// shown full length at the area's edge, the other centred.
QRect fitRect(QSize area, QSize picture);

// The watermark texts and pictures as the preview shows them. shown is where
// the canvas is drawn (picImg coordinates); scale = shown width / canvas width.
struct PreviewGeometry {
  QRectF shown;
  double scale = 1;
  QSizeF textSize;    // the measured text box on the canvas (pixels)
  QSizeF pictureSize; // the placed picture watermark on the canvas (pixels)
};

inline constexpr double MarkerHeight = 3;
inline constexpr double MoveMarkerSize = 16;

// Markers in picImg coordinates: a bar under the text, a bar along the
// picture watermark's lower edge.
QRectF textMarker(const PreviewGeometry &g, double xt, double yt);
QRectF pictureMarker(const PreviewGeometry &g, double xi, double yi);

enum class PlacementTarget { None, Text, Picture, Origin };

// Which watermark the press at p (relative to the shown canvas) catches. The
// text box reaches a quarter of its width to the left and one height above
// and below; the picture box is the picture around its centre. Text first.
PlacementTarget hitTest(const PreviewGeometry &g, QPointF p, bool textOn, double xt, double yt, bool pictureOn,
                        double xi, double yi);

// Positions after dragging to p (relative to the shown canvas).
struct Fraction {
  double x = 0, y = 0;
};
// The text marker's middle follows the pointer.
Fraction dragText(const PreviewGeometry &g, QPointF p);
Fraction dragPicture(const PreviewGeometry &g, QPointF p);
// A tiled watermark's grid grabbed at from and dragged to: its position
// fractions (start when grabbed) move by the pointer's way.
Fraction dragGrid(const PreviewGeometry &g, Fraction start, QPointF from, QPointF to);
// The picture's start point on the canvas (canvas pixels): the distance of the
// pointer from the middle of the shown canvas, at canvas scale.
QPointF dragOrigin(const PreviewGeometry &g, QPointF p);

// One arrow key step: dx, dy are -1, 0 or 1.
Fraction nudgeFraction(const PreviewGeometry &g, Fraction f, int dx, int dy);

// The arrow key a wheel notch stands for: one notch forward with no key or
// button held is Up, one notch backward Down; anything else is 0 (dropped).
int wheelKey(int angleDelta, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

// The largest start point the origin boxes and "坐标定位" take, in pixels:
// beyond it a coordinate is no position on any canvas (and past a float's
// range it would reach the engine as infinity).
inline constexpr double OriginLimit = 1e6;

// The answer of "坐标定位": "X,Y", both numbers not below 0 nor above OriginLimit.
std::optional<QPointF> parseOrigin(const QString &answer);

// A single Windows-style command tail: quotes removed, a blank followed by a
// drive letter and ":\" separates two paths.
QStringList splitCommandTail(const QString &tail);

// The pictures named on the command line (arguments after the program name):
// one argument that holds a Windows-style tail is split as above, otherwise
// each argument is one path. Only accepted picture files are kept.
QStringList commandLinePictures(const QStringList &arguments);

} // namespace kuvo
