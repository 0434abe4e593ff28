#include "publish/output_time.h"

#include <QTimeZone>

namespace kuvo {

std::optional<QDateTime> sourceDateEpoch() {
  const QByteArray text = qgetenv("SOURCE_DATE_EPOCH").trimmed();
  bool ok = false;
  const qint64 seconds = text.toLongLong(&ok);
  // Past year 9999 the PDF's date field no longer has its fixed width.
  if (!ok || seconds < 0 || seconds > 253402300799LL)
    return std::nullopt;
  return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
}

QDateTime outputTime() {
  return sourceDateEpoch().value_or(QDateTime::currentDateTime());
}

} // namespace kuvo
