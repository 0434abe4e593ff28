#include "engine/photo_exif.h"

#include "engine/codec_heif.h"
#include "imaging/exif_tags.h"

namespace kuvo {

namespace {
QByteArray wrappedAsApp1(const QByteArray &tiff) {
  if (tiff.isEmpty())
    return {};
  // SOI, APP1 (its length is not read), "Exif\0\0", then the TIFF structure.
  return QByteArray("\xFF\xD8\xFF\xE1\0\0Exif\0\0", 12) + tiff;
}

const unsigned char *bytes(const QByteArray &data) {
  return reinterpret_cast<const unsigned char *>(data.constData());
}
} // namespace

QByteArray exifBytesOf(const QByteArray &sourceData) {
  if (isHeifData(sourceData))
    return wrappedAsApp1(heifMetadata(sourceData).exif);
  return sourceData;
}

int pendingOrientation(const QByteArray &sourceData) {
  if (isHeifData(sourceData)) {
    const HeifMetadata meta = heifMetadata(sourceData);
    if (meta.transformed)
      return 0;
    const QByteArray exif = wrappedAsApp1(meta.exif);
    return readExifOrientation(bytes(exif), std::size_t(exif.size()));
  }
  return readExifOrientation(bytes(sourceData), std::size_t(sourceData.size()));
}

QString photoDateTimeOriginal(const QByteArray &sourceData) {
  const QByteArray exif = exifBytesOf(sourceData);
  const std::string date = readExifDateTimeOriginal(bytes(exif), std::size_t(exif.size()));
  return QString::fromLatin1(date.data(), static_cast<qsizetype>(date.size()));
}

} // namespace kuvo
