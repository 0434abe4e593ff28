#pragma once
// Job settings from the settings-store keys of section "Options": the window's
// store and kuvo-batch's job files share these names.
#include "engine/processing_settings.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace kuvo {

// The keys and values of one section, as written.
using KeyValues = QHash<QString, QString>;

// Reads every job key present in values into job, in the order and with the
// dependencies the window uses at start. Keys whose value does not convert
// leave the field as it was; their names are returned.
QStringList applyStoreKeys(ProcessingSettings &job, const KeyValues &values);

// The names of the keys applyStoreKeys reads.
const QStringList &storeKeyNames();

} // namespace kuvo
