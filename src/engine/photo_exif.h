#pragma once
// The EXIF facts of a source picture whatever its container: a JPEG's own
// APP1 segment, or the EXIF block of a HEIF/AVIF file.
#include <QByteArray>
#include <QString>

namespace kuvo {

// Bytes the EXIF reader understands: the source itself, or for a HEIF/AVIF
// its EXIF block wrapped as a JPEG APP1 segment (empty when it has none).
QByteArray exifBytesOf(const QByteArray &sourceData);

// The EXIF orientation (1-8; 0 when there is none) that smart rotation
// still has to apply to the decoded pixels. A HEIF/AVIF whose own rotation
// or mirror property the decoder has applied gives 0: its EXIF tag then
// describes the coded pixels, and turning again would turn twice.
int pendingOrientation(const QByteArray &sourceData);

// EXIF DateTimeOriginal as "YYYY:MM:DD HH:MM:SS", empty when there is none.
QString photoDateTimeOriginal(const QByteArray &sourceData);

} // namespace kuvo
