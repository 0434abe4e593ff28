#include "engine/image_codec.h"

#include "engine/codec_formats.h"
#include "engine/write_guard.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <cmath>

namespace kuvo {

QImage opaqueRgb32(const QImage &image) {
  if (image.isNull())
    return {};
  if (image.format() == QImage::Format_RGB32)
    return image;
  if (!image.hasAlphaChannel())
    return image.convertToFormat(QImage::Format_RGB32);
  QImage canvas(image.size(), QImage::Format_RGB32);
  if (canvas.isNull())
    return {};
  canvas.setDotsPerMeterX(image.dotsPerMeterX());
  canvas.setDotsPerMeterY(image.dotsPerMeterY());
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(0, 0, image);
  painter.end();
  return canvas;
}

int dotsPerInch(const QImage &image, bool horizontal) {
  const int dpm = horizontal ? image.dotsPerMeterX() : image.dotsPerMeterY();
  if (dpm <= 0)
    return 96;
  const long dpi = std::lround(dpm * 0.0254);
  return static_cast<int>(std::clamp(dpi, 1L, 65535L));
}

// WebP goes through Qt's image-formats plugin, with the JPEG quality.
static std::optional<QByteArray> encodeWithQt(const QImage &image, const char *format, int quality = -1) {
  const QImage rgb = opaqueRgb32(image);
  if (rgb.isNull())
    return std::nullopt;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly))
    return std::nullopt;
  QImageWriter writer(&buffer, format);
  if (quality >= 0)
    writer.setQuality(std::clamp(quality, 0, 100));
  if (!writer.write(rgb))
    return std::nullopt;
  return bytes;
}

bool isEncoderExtension(const QString &extension) {
  static const QStringList known{QStringLiteral("jpg"), QStringLiteral("gif"), QStringLiteral("png"),
                                 QStringLiteral("webp"), QStringLiteral("tiff")};
  return known.contains(extension.toLower());
}

std::optional<QByteArray> encodeWithEncoder(const QImage &image, const QString &extension, int quality) {
  if (image.isNull())
    return std::nullopt;
  const QString ext = extension.toLower();
  if (ext == QLatin1String("jpg"))
    return encodeJpeg(image, quality);
  if (ext == QLatin1String("gif"))
    return encodeGif(image);
  if (ext == QLatin1String("png"))
    return encodePng(image);
  if (ext == QLatin1String("webp"))
    return encodeWithQt(image, "webp", quality);
  if (ext == QLatin1String("tiff"))
    return encodeTiff(image);
  return std::nullopt;
}

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *errorDescription) {
  const WriteInProgress guard; // outlives the file: an exit waits for commit or cancel
  QSaveFile file(path);
  // Never fall back to writing the target in place: a failure half-way
  // would then leave a truncated picture where the good one was.
  file.setDirectWriteFallback(false);
  bool ok = file.open(QIODevice::WriteOnly);
  ok = ok && file.write(data) == data.size();
  ok = ok && file.commit();
  if (!ok) {
    if (errorDescription) {
      const QFileInfo folder(QFileInfo(path).absolutePath());
      if (!folder.isDir())
        *errorDescription = QStringLiteral("输出文件夹“%1”不存在").arg(QDir::toNativeSeparators(folder.filePath()));
      else if (!folder.isWritable())
        *errorDescription = QStringLiteral("输出文件夹“%1”不可写").arg(QDir::toNativeSeparators(folder.filePath()));
      else if (file.error() == QFileDevice::ResourceError ||
               QStorageInfo(folder.filePath()).bytesAvailable() < data.size())
        *errorDescription = QStringLiteral("磁盘空间不足");
      else
        *errorDescription = QStringLiteral("无法写入文件(%1)").arg(file.errorString());
    }
    // An uncommitted QSaveFile removes its temporary file; make it explicit.
    if (file.isOpen())
      file.cancelWriting();
  }
  return ok;
}

bool SaveWithEncoder(const QImage &image, const QString &path, const QString &extension, int quality,
                     QString *errorDescription) {
  const auto bytes = encodeWithEncoder(image, extension, quality);
  if (!bytes) {
    if (errorDescription)
      *errorDescription = QStringLiteral("不支持扩展名“%1”").arg(extension);
    return false;
  }
  return writeFileAtomically(path, *bytes, errorDescription);
}

bool SaveWithEncoder(const QImage &image, const QString &path, const QString &extension, int quality) {
  return SaveWithEncoder(image, path, extension, quality, nullptr);
}

} // namespace kuvo
