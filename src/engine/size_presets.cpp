#include "engine/size_presets.h"

#include <QFile>
#include <QTextStream>

namespace kuvo {

QVector<SizePreset> loadSizePresets(const QString &path) {
  QVector<SizePreset> presets;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return presets;
  QTextStream in(&file);
  while (!in.atEnd() && presets.size() < MaxSizePresets) {
    const QString line = in.readLine();
    if (line.trimmed().isEmpty())
      continue;
    SizePreset preset;
    const int first = line.indexOf(QLatin1Char(';'));
    preset.name = line.left(first);
    if (first >= 0) {
      const int second = line.indexOf(QLatin1Char(';'), first + 1);
      preset.width = line.mid(first + 1, second < 0 ? -1 : second - first - 1);
      if (second >= 0)
        preset.height = line.mid(second + 1);
    }
    presets << preset;
  }
  return presets;
}

} // namespace kuvo
