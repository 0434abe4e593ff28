#pragma once
// A source picture read from disk once per picture: every step that needs the
// file (decoder, EXIF reader, file-name tokens) works on these bytes.
#include <QByteArray>
#include <QString>

namespace kuvo {

struct SourceFile {
  QString path;
  QByteArray data; // empty when the file could not be read
  QString readError;
  bool ok() const { return !data.isEmpty(); }
};

SourceFile readSourceFile(const QString &path);

} // namespace kuvo
