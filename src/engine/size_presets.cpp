#include "engine/size_presets.h"
#include "engine/text_decoding.h"

#include <QFile>
#include <QStringList>

namespace kuvo {

QVector<SizePreset> loadSizePresets(const QString &path) {
  QVector<SizePreset> presets;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return presets;
  // Written on Windows the file is GBK; elsewhere UTF-8.
  const QString text = decodeUtf8OrGbk(file.readAll());
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (QString line : lines) {
    if (presets.size() >= MaxSizePresets)
      break;
    if (line.endsWith(QLatin1Char('\r')))
      line.chop(1);
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
