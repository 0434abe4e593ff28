#pragma once
// The time a run writes into what it makes (the PDF's creation time and
// closing date, the stamp of uploaded names). SOURCE_DATE_EPOCH, the
// reproducible-builds convention, fixes it, so two runs of one job can write
// identical files; without it, it is now.
#include <QDateTime>
#include <optional>

namespace kuvo {

// SOURCE_DATE_EPOCH as a time in UTC, when it holds whole seconds since 1970.
std::optional<QDateTime> sourceDateEpoch();

// sourceDateEpoch(), else the current local time.
QDateTime outputTime();

} // namespace kuvo
