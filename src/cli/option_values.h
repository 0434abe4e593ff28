#pragma once
// The values kuvo-batch's options take: numbers, anchors, rotations, effects,
// colours and size presets by name.
#include "engine/size_presets.h"

#include <QString>
#include <QVector>

namespace kuvo::cli {

// False for "inf", "nan" and numbers past the float range: they parse as
// doubles, but would reach the drawing code as infinities.
bool usableNumber(double v);
// Exactly count comma-separated usable numbers.
bool parseNumbers(const QString &text, int count, QVector<double> &out);
// A position list entry by name or number; -1 when unknown.
int anchorIndex(const QString &v);
// A rotation mode by name; -1 when unknown.
int rotateIndex(const QString &v);
// An effect by name or number, NoEffect for "none"; -2 when unknown.
int effectIndex(const QString &v);
// "#RRGGBB" to a Windows RGB value (red in the low byte).
bool parseColor(const QString &v, quint32 &windowsRgb);
// A preset by its number (1 = first line of size.ini), its exact name, or the
// start of one name. -1: none; -2: the start of several names.
int findPreset(const QVector<SizePreset> &presets, const QString &key);

} // namespace kuvo::cli
