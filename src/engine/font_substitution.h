#pragma once
// Windows font names in saved jobs ("宋体", "黑体", "Arial", ...) mapped to the
// fonts installed here, so that a Chinese watermark never prints as boxes.
#include <QFont>
#include <QString>
#include <QStringList>

namespace kuvo {

// Registers the substitutions with QFont (QFont::insertSubstitutions). Safe to
// call any number of times from any thread; only the first call does work.
// Call it once at start on the main thread (after QGuiApplication exists),
// before any text is drawn.
void installFontSubstitutions();

// The families to try for a font name, best first: the name itself, then the
// installed fonts that stand in for it. A name that is not installed falls
// back to a CJK font of the same style (Hei-style for sans names, Song-style
// otherwise). Thread-safe.
QStringList fontFamiliesFor(const QString &name);

// Points at 96 dpi to pixels (9 pt is 12 px), at least 1.
int pointsToPixels(int points);

// The text watermark's font: families from fontFamiliesFor, pixel size from
// the point size, and the three style switches.
QFont watermarkFont(const QString &name, int points, bool bold, bool italic, bool underline);

} // namespace kuvo
