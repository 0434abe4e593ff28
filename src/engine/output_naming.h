#pragma once
// Names of output files and the time-stamp prefixes of the prefix menu.
#include "engine/processing_settings.h"

#include <QDateTime>
#include <QString>

namespace kuvo {

// The file name without extension for list entry index: the source's own
// name (cut before its last ".") or prefix + zero-padded index.
QString OutputName(const ProcessingSettings &settings, int index);

// The base name of a path: after its last separator, before its last ".".
QString baseNameOf(const QString &path);

enum class PrefixStamp { Date, Time, DateTime, None };
// "yyyymmdd_", "hhmmss_", "yyyymmddhhmmss_" or empty, for the moment given.
QString prefixFor(PrefixStamp stamp, const QDateTime &now = QDateTime::currentDateTime());

} // namespace kuvo
