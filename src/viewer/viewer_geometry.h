#pragma once
// The viewer's geometry and small rules, kept apart from the window so that
// they can be checked without one. Everything is in window pixels.
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

namespace kuvo::viewer {

inline constexpr int ThumbnailsPerPage = 56;
inline constexpr int ThumbnailColumns = 8;
inline constexpr int ThumbnailRows = 7;
// The design cell of a thumbnail (1875 x 1530 twips at 15 twips a pixel).
inline constexpr QSize ThumbnailDesignSize{125, 102};
// The button bar "<" ">" "幻灯" "返回" (3975 x 450 twips); its top is 550
// twips above the screen's bottom.
inline constexpr QSize ButtonBarSize{265, 30};
inline constexpr int ButtonBarBottomGap = 37;

inline constexpr int SlideIntervalDefault = 3;
inline constexpr int SlideIntervalMax = 3600;

// The seven background colours, menu order = setting iBGColor.
inline constexpr int BackgroundColorCount = 7;
QColor backgroundColor(int index); // an index out of range gives black
QString backgroundColorCaption(int index);

// "适合屏幕": a picture larger than the screen shrinks to fit with its aspect
// ratio and is centred on the other axis; a smaller one keeps its size and is
// centred. Never enlarged.
QRect fitRect(QSize picture, QSize screen);

// "原始大小": natural size, centred on each axis where it is smaller than the
// screen, else at 0 on that axis.
QRect originalSizeRect(QSize picture, QSize screen);

// Panning: the picture's position on one axis after a drag of delta from the
// position it had at the press. Only an axis where the picture is larger than
// the screen moves, and never so far that an edge comes inside the screen.
int pannedPosition(int positionAtPress, int delta, int pictureSize, int screenSize);

// Thumbnail i (0-55) of a page: eight columns by seven rows, centred
// horizontally above the button bar, at the design size on a 1024 x 768
// screen, scaled with the screen otherwise.
QRect thumbnailRect(int i, QSize screen);
QRect buttonBarRect(QSize screen);

// The entries of list browse page `page` for a list of count entries.
struct PageRange {
  int first = 0;
  int last = -1; // inclusive; last < first when the page is empty
  bool prevEnabled = false;
  bool nextEnabled = false;
  int size() const { return last >= first ? last - first + 1 : 0; }
};
PageRange pageRange(int count, int page);
int pageOf(int index); // the page that shows list entry index

// Mouse wheel: one notch towards the user (angle -120) is "next" (+1), one
// notch away (+120) is "previous" (-1). Any held button or modifier key and any
// other amount give 0. Smaller steps of high-resolution wheels are summed by
// the window before they come here.
int wheelStep(int angleY, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// The speed dialog's entry: its leading integer part (after leading blanks,
// like "12秒" -> 12) when it is 1 to 3600, else the current interval unchanged.
int parseSlideInterval(const QString &text, int current);

// The rectangle spanned by two corners, inclusive of neither's far pixel edge:
// from the smaller to the larger coordinate on each axis, then made at least
// one pixel wide and tall so that a selection never has zero size.
QRect spanRect(QPoint a, QPoint b);

// Handle k (0-7) of the selection: 0 top left, 1 top middle, 2 top right,
// 3 middle left, 4 bottom left, 5 bottom middle, 6 bottom right, 7 middle right.
QPoint handlePoint(const QRect &selection, int k);
Qt::CursorShape handleCursor(int k);

// The selection after handle k was dragged by delta from the rectangle it had
// at the press: the edges tied to the handle move, the others stay. An edge
// dragged past the opposite one swaps sides; the result is kept inside bounds
// (the picture, in the same coordinates) and never narrower or lower than one
// pixel.
QRect resizedSelection(const QRect &atPress, int k, QPoint delta, const QRect &bounds);

// The selection after a move by delta from where it was at the press, pulled
// back inside the picture.
QRect movedSelection(const QRect &atPress, QPoint delta, const QRect &bounds);

// The region of the original picture under a selection made on the picture
// shown displayedWidth pixels wide: both axes scale by original width /
// displayed width. The result lies inside the original and is never empty for
// a non-empty original.
QRect cutRegion(const QRect &selection, int displayedWidth, QSize original);

// A crop file name "user" + yyyymmddhhmmss + ".bmp" in folder; when that
// name is taken (a second crop within the same second), "_2", "_3", ... is
// put before the extension so no crop overwrites another.
QString uniqueCropPath(const QString &folder, const QString &stamp);

} // namespace kuvo::viewer
