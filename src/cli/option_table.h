#pragma once
// Which of kuvo-batch's options take a value and which stand alone.
#include <QString>

namespace kuvo::cli {

bool isFlagOption(const QString &opt);
// Options that take a value; anything else starting with "-" is unknown.
bool isValueOption(const QString &opt);

} // namespace kuvo::cli
