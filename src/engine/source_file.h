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

// A look at a file before the picture is processed: its first bytes, for
// its headers, and its size; nothing when it is not a regular file or
// cannot be read.
struct SourceGlance {
  QByteArray head;
  qint64 size = 0;
};
SourceGlance glanceAtSource(const QString &path, qint64 headBytes);

// True when data starts with the signature of a picture format the program reads.
bool hasPictureSignature(const QByteArray &head);

} // namespace kuvo
