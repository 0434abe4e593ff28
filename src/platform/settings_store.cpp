#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

namespace kuvo {

namespace {
const QString Section = QStringLiteral("Options");

// The store opened on its section; QSettings is neither copyable nor movable.
struct Store {
  QSettings settings;
  Store() : settings(QSettings::IniFormat, QSettings::UserScope, settingsApplicationName(), settingsApplicationName()) {
    settings.beginGroup(Section);
  }
};
} // namespace

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
