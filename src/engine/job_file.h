#pragma once
// A whole job in one INI file: the settings-store keys of section "Options"
// plus the job fields the store does not keep (output format and folder,
// naming, size boxes, rotation, effect, colour matrix, border, anchors...).
// The window saves and loads it; kuvo-batch --job runs it unchanged.
#include "engine/processing_settings.h"

#include <QString>
#include <QStringList>

namespace kuvo {

// Writes every job setting (not the file list). Returns false when the file
// cannot be written.
bool saveJobFile(const QString &path, const ProcessingSettings &job);

// Reads what it can into job. Keys whose values do not convert are skipped
// and named in the result; ok is false when the file cannot be read at all.
QStringList loadJobFile(const QString &path, ProcessingSettings &job, bool *ok = nullptr);

} // namespace kuvo
