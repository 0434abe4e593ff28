#pragma once
// Reading a picture for the viewer: upright by its EXIF orientation and, for
// the screen, at the reduced JPEG scale that still covers the size it will be
// shown at. Plain functions without widgets, safe to run on the thread pool;
// decoding and orientation are the engine's.
#include <QImage>
#include <QSize>
#include <QString>

namespace kuvo::viewer {

struct LoadedPicture {
  QString path;
  QImage image;        // upright; smaller than naturalSize when reduced
  QSize naturalSize;   // the upright picture at full resolution
  qint64 fileSize = 0; // bytes
  QString error;       // why nothing could be shown (Chinese); empty on success

  bool ok() const { return !image.isNull(); }
  bool reduced() const { return ok() && image.size() != naturalSize; }
};

// The picture as it is shown fitted into screen (device pixels), scaled here
// so that the window thread only draws it; an invalid screen reads it at full
// resolution.
LoadedPicture loadPicture(const QString &path, QSize screen = QSize());

// Pictures up to this many pixels are read on the window thread: a thread
// round trip would only add a blank frame.
inline constexpr qint64 InlineLoadPixels = 1200 * 1000;

// The upright size from the file's header without decoding pixels; invalid
// when the header cannot be read.
QSize probeUprightSize(const QString &path);

} // namespace kuvo::viewer
