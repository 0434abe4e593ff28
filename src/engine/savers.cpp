#include "engine/savers.h"

#include "engine/image_codec.h"
#include "engine/metadata.h"
#include "engine/output_naming.h"
#include "engine/picture_files.h"

#include <QDir>
#include <QFileInfo>

namespace kuvo {

QString outputExtensionFor(const ProcessingSettings &settings, const QString &sourcePath, bool *bmpSaver,
                           QString *encoderFormat) {
  bool bmp = false;
  QString extension, format;
  if (settings.outputFormat == OriginalFormatText) {
    const qsizetype dot = sourcePath.lastIndexOf(QLatin1Char('.'));
    const QString own = dot >= 0 ? sourcePath.mid(dot + 1) : QString();
    const QString lower = own.toLower();
    if (pictureTypeOfName(sourcePath) == PictureType::Heif) {
      extension = QStringLiteral("jpg"); // no HEIF encoder: phone photos come out as JPEG
    } else if (lower == QLatin1String("jpeg") || lower == QLatin1String("jpe")) {
      extension = own; // the name stays, the JPEG encoder writes it
      format = QStringLiteral("jpg");
    } else if (lower == QLatin1String("tif")) {
      extension = own;
      format = QStringLiteral("tiff");
    } else {
      // The source's own extension: its last four characters, less a leading dot.
      const QString last4 = sourcePath.right(4);
      if (last4.toLower() == QLatin1String(".bmp"))
        bmp = true;
      else
        extension = last4.startsWith(QLatin1Char('.')) ? last4.mid(1) : last4;
    }
  } else if (settings.outputFormat == QLatin1String("bmp")) {
    bmp = true;
  } else {
    extension = settings.outputFormat;
  }
  if (bmp)
    extension = QStringLiteral("bmp");
  if (format.isEmpty())
    format = extension.toLower();
  if (bmpSaver)
    *bmpSaver = bmp;
  if (encoderFormat)
    *encoderFormat = format;
  return extension;
}

namespace {
// A name that would leave the output folder, or that no file system takes,
// is refused instead of being written somewhere else.
bool isSafeFileName(const QString &fileName) {
  if (fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String(".."))
    return false;
  for (const QChar c : fileName)
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
      return false;
  return fileName.toUtf8().size() <= 255; // longer names no common file system takes
}
} // namespace

SizedJpeg encodeJpegWithin(const QImage &canvas, int quality, qint64 maxBytes, qint64 overhead) {
  SizedJpeg best;
  int encodes = 0;
  auto tryQuality = [&](int q) -> bool {
    ++encodes;
    const auto bytes = encodeWithEncoder(canvas, QStringLiteral("jpg"), q);
    if (!bytes)
      return false;
    const bool fits = bytes->size() + overhead <= maxBytes;
    // Keep the best fitting file; while none fits, the smallest one tried.
    if (fits ? (!best.fits || q > best.quality) : (!best.fits && (best.bytes.isEmpty() || q < best.quality))) {
      best.bytes = *bytes;
      best.quality = q;
      best.fits = fits;
    }
    return fits;
  };
  quality = std::clamp(quality, 0, 100);
  if (tryQuality(quality) || quality <= 10)
    return best;
  if (!tryQuality(10))
    return best; // even the lowest quality is too large
  int lo = 11, hi = quality - 1; // best fitting so far: 10
  while (lo <= hi && encodes < 8) {
    const int mid = (lo + hi + 1) / 2;
    if (tryQuality(mid))
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return best;
}

namespace {
bool carriesMetadata(const QString &format) {
  const QString &ext = format;
  return ext == QLatin1String("jpg") || ext == QLatin1String("png") || ext == QLatin1String("tiff") ||
         ext == QLatin1String("webp");
}
} // namespace

EncodedPicture planOutput(const ProcessingSettings &settings, int index) {
  EncodedPicture picture;
  const QString source = settings.files.value(index);
  picture.extension = outputExtensionFor(settings, source, &picture.bmpSaver, &picture.format);
  picture.name = OutputName(settings, index);
  QString folder = settings.outputFolder;
  const QString sub = settings.outputSubfolder(index);
  if (!sub.isEmpty())
    folder += QLatin1Char('/') + sub;
  picture.path = folder + QLatin1Char('/') + picture.name + QLatin1Char('.') + picture.extension;
  return picture;
}

QString saveErrorEntry(const QString &sourcePath, const QString &reason) {
  return sourcePath + QStringLiteral("在保存时发生错误:") + reason + QStringLiteral(".\r\n");
}

EncodedPicture encodePicture(const ProcessingSettings &settings, int index, const QImage &canvas,
                             const QByteArray &sourceData, bool upright, const QString &noCanvasReason) {
  EncodedPicture picture = planOutput(settings, index);
  picture.noCanvas = canvas.isNull();
  if (canvas.isNull()) {
    picture.failure = noCanvasReason;
    return picture;
  }
  if (!isSafeFileName(picture.name + QLatin1Char('.') + picture.extension)) {
    picture.failure = QStringLiteral("文件名“%1”不被接受(含有路径分隔符、控制字符或过长)")
                          .arg(picture.name + QLatin1Char('.') + picture.extension);
    return picture;
  }
  const bool keepMetadata = settings.keepMetadata && !picture.bmpSaver && carriesMetadata(picture.format) &&
                            !sourceData.isEmpty();
  const MetadataOptions metadata{settings.stripsGps(), canvas.size(), upright};
  auto bytes = picture.bmpSaver ? encodeBmp(canvas)
                                : encodeWithEncoder(canvas, picture.format, settings.jpegQuality);
  if (!bytes) {
    picture.failure =
        picture.bmpSaver || isEncoderExtension(picture.format)
            ? QStringLiteral("无法编码图片(内存不足或图片过大)")
            : QStringLiteral("不支持扩展名“%1”(原格式只能输出jpg、png、gif、tiff、bmp、webp)").arg(picture.extension);
    return picture;
  }
  if (keepMetadata)
    bytes = withSourceMetadata(*bytes, sourceData, metadata);

  if (settings.maxJpegKb > 0 && picture.format == QLatin1String("jpg")) {
    const qint64 limit = qint64(settings.maxJpegKb) * 1024;
    if (bytes->size() > limit) {
      // The metadata adds the same bytes whatever the quality.
      const auto bare = encodeWithEncoder(canvas, picture.format, settings.jpegQuality);
      const qint64 overhead = bare ? std::max<qint64>(0, bytes->size() - bare->size()) : 0;
      const SizedJpeg sized = encodeJpegWithin(canvas, settings.jpegQuality, limit, overhead);
      bytes = keepMetadata ? withSourceMetadata(sized.bytes, sourceData, metadata) : sized.bytes;
      if (!sized.fits)
        picture.warning = settings.files.value(index) +
                          QStringLiteral("在保存时发生错误:即使以质量10保存,文件仍大于%1KB。\r\n").arg(settings.maxJpegKb);
    }
  }
  picture.bytes = *bytes;
  picture.encoded = true;
  return picture;
}

bool writeEncodedPicture(const EncodedPicture &picture, const QString &sourcePath, QString &errorText,
                         const QString &path) {
  const QString target = path.isEmpty() ? picture.path : path;
  QString description = picture.failure;
  if (picture.encoded && writeFileAtomically(target, picture.bytes, &description))
    return true;
  // Failures of the BMP saver are recorded too: a picture that was not
  // written must never look saved.
  errorText += saveErrorEntry(sourcePath, description);
  return false;
}

} // namespace kuvo
