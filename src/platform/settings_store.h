#pragma once
// The per-user settings store: an INI file in the user's configuration folder,
// named after the executable (so a copy started under another name keeps its
// own settings), section "Options", every value a string.
#include <QString>

namespace kuvo {

// The executable's base name without extension.
QString settingsApplicationName();

// The full path of the store's file (for messages and tests).
QString settingsFilePath();

// The stored text of key, or defaultValue when the key is missing.
QString readSetting(const QString &key, const QString &defaultValue = QString());
bool hasSetting(const QString &key);

// Writes one key at once; returns false when the store could not be written.
bool saveSetting(const QString &key, const QString &value);

} // namespace kuvo
