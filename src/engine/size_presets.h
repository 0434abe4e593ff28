#pragma once
// Size presets of size.ini: one per line, "name;width;height".
#include <QString>
#include <QVector>

namespace kuvo {

struct SizePreset {
  QString name;
  QString width;  // kept as written: they fill the size boxes
  QString height;
};

inline constexpr int MaxSizePresets = 501;

// Splits each line into at most three fields (a further ";" stays in the
// height). A missing file gives no presets; lines past the 501st are ignored.
QVector<SizePreset> loadSizePresets(const QString &path);

} // namespace kuvo
