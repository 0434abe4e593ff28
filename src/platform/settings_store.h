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

// A store file that cannot be read (not readable, not UTF-8 text, not INI) is
// moved aside as "<file>.broken-yyyyMMdd-HHmmss" so that the program starts
// with its defaults and the user keeps the file to look at. The store runs
// this once, before it first opens the file; it returns the path the file
// was kept under, or empty when the file was sound or missing.
QString setAsideBrokenSettings();

// What the first open of the store set aside (empty: nothing), for a message.
QString brokenSettingsKeptAs();

} // namespace kuvo
