#include "engine/output_naming.h"

namespace kuvo {

namespace {
// Longer padding than a file name can hold only makes the save fail; the cap
// keeps a silly width text from allocating a huge string.
constexpr int MaxCounterWidth = 255;

int lastSeparator(const QString &path) {
  int pos = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
  pos = std::max(pos, static_cast<int>(path.lastIndexOf(QLatin1Char('\\'))));
#endif
  return pos;
}
} // namespace

QString baseNameOf(const QString &path) {
  QString name = path.mid(lastSeparator(path) + 1);
  const int dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0)
    name.truncate(dot);
  return name;
}

QString OutputName(const ProcessingSettings &settings, int index) {
  if (!settings.rename)
    return baseNameOf(settings.files.value(index));
  bool ok = false;
  const int width = settings.counterWidth.trimmed().toInt(&ok);
  const QString number = QString::number(index);
  if (!ok || width <= 0)
    return settings.prefix + number;
  return settings.prefix + number.rightJustified(std::min(width, MaxCounterWidth), QLatin1Char('0'));
}

QString prefixFor(PrefixStamp stamp, const QDateTime &now) {
  switch (stamp) {
  case PrefixStamp::Date:
    return now.toString(QStringLiteral("yyyyMMdd_"));
  case PrefixStamp::Time:
    return now.toString(QStringLiteral("HHmmss_"));
  case PrefixStamp::DateTime:
    return now.toString(QStringLiteral("yyyyMMddHHmmss_"));
  case PrefixStamp::None:
    break;
  }
  return QString();
}

} // namespace kuvo
