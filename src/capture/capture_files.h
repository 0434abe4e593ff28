#pragma once
// File helpers shared by the screen capture and the webcam window.
#include <QDateTime>
#include <QImage>
#include <QString>

namespace kuvo {

// Saves `image` as a 24-bit BMP named folder/<prefix><stamp>.bmp. When that
// name is taken (two captures in the same second, or a day-time stamp that
// comes round again a month later) it tries <prefix><stamp>_2.bmp, _3 and so
// on, so an earlier capture is never overwritten. The file is created
// exclusively, so two windows saving at once cannot pick the same name.
// Returns the path written, or an empty string when nothing could be saved.
QString saveNewBmp(const QImage &image, const QString &folder, const QString &prefix, const QString &stamp);

// The stamps of the two kinds of capture file: "yyyymmddhhmmss" for screen
// captures and "ddhhmmss" (day of month, 24-hour time) for webcam photos.
QString screenCaptureStamp(const QDateTime &when);
QString webcamStamp(const QDateTime &when);

// Deletes a scratch file; a missing file is not an error.
void removeScratchFile(const QString &path);

} // namespace kuvo
