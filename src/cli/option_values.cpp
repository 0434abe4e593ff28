#include "cli/option_values.h"

#include "engine/processing_settings.h"

#include <QHash>
#include <QStringList>
#include <cmath>
#include <limits>

namespace kuvo::cli {

bool usableNumber(double v) {
  return std::isfinite(v) && std::abs(v) <= double(std::numeric_limits<float>::max());
}

bool parseNumbers(const QString &text, int count, QVector<double> &out) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != count)
    return false;
  out.clear();
  for (const QString &p : parts) {
    bool ok = false;
    const double v = p.trimmed().toDouble(&ok);
    if (!ok || !usableNumber(v))
      return false;
    out << v;
  }
  return true;
}

int anchorIndex(const QString &v) {
  static const QHash<QString, int> names{{QStringLiteral("br"), 0},     {QStringLiteral("bl"), 1},
                                         {QStringLiteral("tl"), 2},     {QStringLiteral("tr"), 3},
                                         {QStringLiteral("center"), 4}, {QStringLiteral("free"), 5},
                                         {QStringLiteral("tile"), 6}};
  if (names.contains(v))
    return names[v];
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok && n >= 0 && n <= AnchorLast ? n : -1;
}

int rotateIndex(const QString &v) {
  static const QHash<QString, int> names{
      {QStringLiteral("none"), RotateNone},         {QStringLiteral("auto"), RotateSmart},
      {QStringLiteral("smart"), RotateSmart},       {QStringLiteral("cw"), RotateClockwise90},
      {QStringLiteral("ccw"), RotateCounterClockwise90}, {QStringLiteral("180"), Rotate180},
      {QStringLiteral("flip-rows"), MirrorHorizontal},   {QStringLiteral("flip-columns"), MirrorVertical}};
  return names.value(v, -1);
}

int effectIndex(const QString &v) {
  static const QStringList names{QStringLiteral("beautify"), QStringLiteral("sharpen"), QStringLiteral("warm"),
                                 QStringLiteral("purple"),   QStringLiteral("sepia"),   QStringLiteral("night"),
                                 QStringLiteral("old"),      QStringLiteral("scanlines"), QStringLiteral("emboss"),
                                 QStringLiteral("grey"),     QStringLiteral("mono"),    QStringLiteral("negative")};
  if (v == QLatin1String("none"))
    return NoEffect;
  if (names.contains(v))
    return static_cast<int>(names.indexOf(v));
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok && n >= 0 && n <= 11 ? n : -2;
}

bool parseColor(const QString &v, quint32 &windowsRgb) {
  if (!v.startsWith(QLatin1Char('#')) || v.size() != 7)
    return false;
  bool ok = false;
  const uint rgb = v.mid(1).toUInt(&ok, 16);
  if (!ok)
    return false;
  // Stored as a Windows RGB value: red in the low byte.
  windowsRgb = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
  return true;
}

// "1280" past the numbers is the start of "1280 × 720".
int findPreset(const QVector<SizePreset> &presets, const QString &key) {
  bool isNumber = false;
  const int number = key.toInt(&isNumber);
  if (isNumber && number >= 1 && number <= presets.size())
    return number - 1;
  int found = -1;
  for (int i = 0; i < presets.size(); ++i) {
    if (presets[i].name == key)
      return i;
    if (presets[i].name.startsWith(key, Qt::CaseInsensitive))
      found = found == -1 ? i : -2;
  }
  return found;
}

} // namespace kuvo::cli
