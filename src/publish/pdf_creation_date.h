#pragma once
// Qt's PDF writer stamps the document with the moment it is written. This
// device sits between the writer and the file and puts another time into
// the document's /CreationDate, in place and at the same width, so the
// cross-reference offsets the writer counted stay right.
#include <QByteArray>
#include <QDateTime>
#include <QIODevice>

namespace kuvo {

class PdfCreationDate : public QIODevice {
public:
  // Opens itself for writing; what is written goes on to target.
  PdfCreationDate(QIODevice &target, const QDateTime &created);
  // Passes on what is still held back; false when the target refused it.
  bool finish();

protected:
  qint64 readData(char *, qint64) override { return -1; }
  qint64 writeData(const char *data, qint64 length) override;

private:
  bool pass(const QByteArray &bytes);

  QIODevice &target_;
  QByteArray stamp_; // "D:YYYYMMDDHHMMSSZ"
  QByteArray head_;  // the start of the document, until the date is found
  bool passing_ = false;
  bool failed_ = false;
};

} // namespace kuvo
