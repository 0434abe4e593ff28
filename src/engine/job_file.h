#pragma once
// A whole job in one INI file: the settings-store keys of section "Options"
// plus the job fields the store does not keep (output format and folder,
// naming, size boxes, rotation, effect, colour matrix, border, anchors...).
// The window saves and loads it; kuvo-batch --job runs it unchanged.
#include "engine/processing_settings.h"

#include <QString>
#include <QStringList>

namespace kuvo {

// The file is plain "key=value" lines under "[Options]" and values are read
// as written: "sText=Hello, world" keeps its comma. Only a value wrapped in
// double quotes loses them (the writer quotes values with outer spaces).

// Writes every job setting (not the file list). Returns false when the file
// cannot be written.
bool saveJobFile(const QString &path, const ProcessingSettings &job);

// Reads what it can into job. Keys whose values do not convert are skipped
// and named in the result; ok is false when the file cannot be read at all
// or has no [Options] section, and problem then says which. Keys the
// program does not know go to unknownKeys, each once.
QStringList loadJobFile(const QString &path, ProcessingSettings &job, bool *ok = nullptr,
                        QStringList *unknownKeys = nullptr, QString *problem = nullptr);

} // namespace kuvo
