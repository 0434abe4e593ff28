#include "engine/image_codec.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>

// Interim encoders through Qt until the full codec lands.
namespace kuvo {

static std::optional<QByteArray> encodeQt(const QImage &image, const char *format, int quality) {
  if (image.isNull())
    return std::nullopt;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (quality >= 0)
    writer.setQuality(quality);
  if (!writer.write(image.convertToFormat(QImage::Format_RGB32)))
    return std::nullopt;
  return bytes;
}

std::optional<QByteArray> encodeWithEncoder(const QImage &image, const QString &extension, int quality) {
  const QString ext = extension.toLower();
  if (ext == QLatin1String("jpg"))
    return encodeQt(image, "jpeg", quality);
  if (ext == QLatin1String("png"))
    return encodeQt(image, "png", -1);
  if (ext == QLatin1String("tiff"))
    return encodeQt(image, "tiff", -1);
  return std::nullopt;
}

std::optional<QByteArray> encodeBmp(const QImage &image) { return encodeQt(image, "bmp", -1); }

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *errorDescription) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
    if (errorDescription)
      *errorDescription = file.errorString();
    return false;
  }
  return true;
}

bool SaveWithEncoder(const QImage &image, const QString &path, const QString &extension, int quality) {
  const auto bytes = encodeWithEncoder(image, extension, quality);
  return bytes && writeFileAtomically(path, *bytes);
}

} // namespace kuvo
