#pragma once
// HEIC, HEIF and AVIF pictures (phone photos) through libheif: the primary
// image, upright by its own rotation and mirror properties, and the photo
// metadata it carries. There is no HEIF encoder: such pictures are written
// in the job's format (the original format gives JPEG).
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace kuvo {

// True for data that starts like a HEIF or AVIF file.
bool isHeifData(const QByteArray &data);

// The primary image's size as shown (after rotation); invalid when the data
// cannot be read.
QSize heifPictureSize(const QByteArray &data);

// The primary image, decoded whole (libheif 1.15 offers no reduced decode),
// rotated and mirrored as the file says, as Format_RGB32 with transparency
// laid over white. A null image and the reason when it cannot be decoded.
QImage decodeHeif(const QByteArray &data, QString *error = nullptr);

struct HeifMetadata {
  QByteArray exif; // the TIFF structure of the EXIF block (from "II*" or "MM"), or empty
  QByteArray xmp;  // the XMP packet, or empty
  QByteArray icc;  // the ICC profile, or empty
  bool transformed = false; // the decoded pixels are turned or mirrored from the coded ones
};
HeifMetadata heifMetadata(const QByteArray &data);

} // namespace kuvo
