#include "publish/pdf_creation_date.h"

namespace kuvo {

namespace {
// The info dictionary comes first in the document; past this much the date
// is not there and the document goes out as written.
constexpr qsizetype HeadLimit = 64 * 1024;
const QByteArray DateKey = QByteArrayLiteral("/CreationDate (");
} // namespace

PdfCreationDate::PdfCreationDate(QIODevice &target, const QDateTime &created)
    : target_(target), stamp_("D:" + created.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + 'Z') {
  open(QIODevice::WriteOnly);
}

bool PdfCreationDate::pass(const QByteArray &bytes) {
  failed_ = failed_ || target_.write(bytes) != bytes.size();
  return !failed_;
}

qint64 PdfCreationDate::writeData(const char *data, qint64 length) {
  if (passing_)
    return pass(QByteArray::fromRawData(data, length)) ? length : -1;
  head_.append(data, length);
  const qsizetype key = head_.indexOf(DateKey);
  const qsizetype value = key + DateKey.size();
  const qsizetype end = key < 0 ? -1 : head_.indexOf(')', value);
  if (end < 0 && head_.size() < HeadLimit)
    return length; // the date may still come
  // Only a date of the same width is replaced: the offsets must not move.
  if (end >= 0 && end - value == stamp_.size())
    head_.replace(value, stamp_.size(), stamp_);
  passing_ = true;
  const bool ok = pass(head_);
  head_.clear();
  return ok ? length : -1;
}

bool PdfCreationDate::finish() {
  if (!passing_) {
    passing_ = true;
    pass(head_);
    head_.clear();
  }
  return !failed_;
}

} // namespace kuvo
