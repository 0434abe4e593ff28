#pragma once
// Job settings from the settings-store keys of section "Options": the window's
// store and kuvo-batch's job files share these names.
#include "engine/processing_settings.h"

#include <QSettings>
#include <QStringList>

namespace kuvo {

// Reads every job key present in settings' current group into job, in the
// order and with the dependencies the window uses at start. Keys whose value
// does not convert leave the field as it was; their names are returned.
QStringList applyStoreKeys(ProcessingSettings &job, const QSettings &settings);

} // namespace kuvo
