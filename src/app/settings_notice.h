#pragma once
// The one message after start about a settings file that could not be read.
#include <QString>

class QWidget;

namespace kuvo {

// Shows, once per program run, that the settings file was set aside under
// keptAs and the defaults are in force. Returns true when the box was shown;
// an empty keptAs shows nothing.
bool tellBrokenSettings(QWidget *parent, const QString &keptAs);

} // namespace kuvo
