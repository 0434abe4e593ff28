#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>

#include <mutex>

namespace kuvo {

namespace {
const QString Section = QStringLiteral("Options");
constexpr qint64 MaxStoreBytes = 16 * 1024 * 1024;

QString &keptAs() {
  static QString path;
  return path;
}

// Checked once per process, before the first QSettings reads the file.
void checkStoreOnce() {
  static std::once_flag once;
  std::call_once(once, [] { keptAs() = setAsideBrokenSettings(); });
}

struct StoreChecked {
  StoreChecked() { checkStoreOnce(); }
};

// The store opened on its section, after the check; QSettings is neither
// copyable nor movable.
struct Store : StoreChecked {
  QSettings settings;
  Store() : settings(QSettings::IniFormat, QSettings::UserScope, settingsApplicationName(), settingsApplicationName()) {
    settings.beginGroup(Section);
  }
};

// QSettings reads almost anything without complaint, bare words included:
// here every line must be blank, a comment, a [section] or key=value (a value
// goes on after a line that ends in "\").
bool looksLikeIni(const QString &text) {
  bool continued = false;
  for (const QString &raw : text.split(QLatin1Char('\n'))) {
    const QString line = raw.trimmed();
    const bool wasContinued = continued;
    continued = line.endsWith(QLatin1Char('\\'));
    if (wasContinued || line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
      continue;
    if (line.startsWith(QLatin1Char('[')) ? !line.endsWith(QLatin1Char(']')) : line.indexOf(QLatin1Char('=')) <= 0)
      return false;
  }
  return true;
}

// Why the file at path cannot serve as the store, or empty when it can.
QString whyBroken(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QStringLiteral("unreadable");
  // The store holds a few dozen short keys.
  if (file.size() > MaxStoreBytes)
    return QStringLiteral("too large");
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return QStringLiteral("unreadable");
  if (bytes.contains('\0'))
    return QStringLiteral("binary");
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(bytes);
  if (utf8.hasError())
    return QStringLiteral("not UTF-8");
  if (!looksLikeIni(text))
    return QStringLiteral("not INI");
  const QSettings settings(path, QSettings::IniFormat);
  if (settings.status() != QSettings::NoError)
    return QStringLiteral("not INI");
  return QString();
}

} // namespace

QString setAsideBrokenSettings() {
  const QString path = settingsFilePath();
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink())
    return QString();
  if (info.isFile() && whyBroken(path).isEmpty())
    return QString();
  // Something that is not a sound file (a broken one, a folder, a dangling
  // link) stands where the store belongs: keep it under a new name.
  const QString base = path + QStringLiteral(".broken-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = base;
  for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
    target = base + QLatin1Char('-') + QString::number(n);
  if (QDir().rename(path, target)) {
    qWarning("settings: %s could not be read; kept as %s, starting with the defaults", qPrintable(path),
             qPrintable(target));
    return target;
  }
  // It cannot be moved: the store still opens, and QSettings reads what it can.
  qWarning("settings: %s could not be read nor moved aside", qPrintable(path));
  return QString();
}

QString brokenSettingsKeptAs() {
  checkStoreOnce();
  return keptAs();
}

QString settingsApplicationName() {
  const QString file = QCoreApplication::applicationFilePath();
  QString name = file.isEmpty() ? QString() : QFileInfo(file).completeBaseName();
  if (name.isEmpty())
    name = QCoreApplication::applicationName();
  return name.isEmpty() ? QStringLiteral("kuvo") : name;
}

QString settingsFilePath() {
  const QString name = settingsApplicationName();
  return QSettings(QSettings::IniFormat, QSettings::UserScope, name, name).fileName();
}

QString readSetting(const QString &key, const QString &defaultValue) {
  Store store;
  return store.settings.contains(key) ? store.settings.value(key).toString() : defaultValue;
}

bool hasSetting(const QString &key) {
  return Store().settings.contains(key);
}

bool saveSetting(const QString &key, const QString &value) {
  Store store;
  store.settings.setValue(key, value);
  store.settings.sync();
  return store.settings.status() == QSettings::NoError;
}

} // namespace kuvo
