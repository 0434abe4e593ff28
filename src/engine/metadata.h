#pragma once
// Photo metadata carried from a source file into its processed copy.
#include <QByteArray>
#include <QSize>

namespace kuvo {

struct MetadataOptions {
  bool stripGps = false;
  QSize pixelSize; // the output's size, written into the EXIF pixel dimensions
  bool upright = false; // the pixels were turned upright: Orientation becomes 1
};

// Copies EXIF, XMP, IPTC and the ICC profile (not into WebP) of source into
// encoded (a JPEG, PNG, TIFF or WebP file's bytes) and returns the result.
// Orientation becomes 1 where the pixels were made upright and stays as the
// source had it otherwise; the embedded thumbnail (of the original) is dropped. When the source has no
// metadata or either file cannot be handled, encoded is returned unchanged.
QByteArray withSourceMetadata(const QByteArray &encoded, const QByteArray &source, const MetadataOptions &options);

} // namespace kuvo
