#pragma once
// What the viewer's source files share: reading pictures, the program-wide
// slide-show state and the crop tool's sizes. Only the viewer includes this.
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace kuvo::viewer {

// Last for the life of the program: a later slide show continues where the
// last one stopped, and a new interval holds until the program ends.
extern int g_slideCounter;
extern int g_slideInterval; // 0: not read from the settings store yet

inline constexpr int HandleSize = 7;
inline constexpr int HandleHit = 11;
inline constexpr int ToolbarGapAfterDraw = 8;   // 120 twips
inline constexpr int ToolbarGapAfterResize = 2; // 30 twips

inline QString tr8(const char *s) {
  return QString::fromUtf8(s);
}

// BMP files have no transparency: transparent parts become white, as the
// batch run lays pictures on its white canvas.
QImage flattenedOnWhite(const QImage &image);

// Cells and frames a shade off the background, visible on all seven colours.
QColor overlayOn(const QColor &bg, int alpha);

} // namespace kuvo::viewer
