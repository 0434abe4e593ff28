#pragma once
// A source picture read from disk once per picture: every step that needs the
// file (decoder, EXIF reader, file-name tokens) works on these bytes.
#include <QByteArray>
#include <QString>

namespace kuvo {

// Source files larger than this are refused before they are read.
inline constexpr qint64 MaxSourceFileBytes = 2LL * 1024 * 1024 * 1024;

struct SourceFile {
  QString path;
  QByteArray data;   // empty when the file could not be used
  QString readError; // why, in words for the user
  bool ok() const { return !data.isEmpty(); }
};

// Refuses what is not a regular file (devices, pipes, folders), and looks at
// the first bytes before reading the rest: a file that does not start like a
// JPEG, PNG, GIF, BMP, TIFF, WebP, HEIF or AVIF picture is never read whole.
SourceFile readSourceFile(const QString &path);

// The first bytes of a regular file, for a look at its headers before the
// picture is processed; empty when it is not a regular file or cannot be read.
QByteArray readSourceHead(const QString &path, qint64 bytes);

// True when data starts with the signature of a picture format the program reads.
bool hasPictureSignature(const QByteArray &head);

} // namespace kuvo
