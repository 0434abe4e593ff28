#include "viewer/picture_loader.h"

#include "engine/decoder.h"
#include "engine/native_names.h"
#include "engine/photo_exif.h"
#include "engine/picture_files.h"
#include "engine/source_file.h"
#include "imaging/rotation.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace kuvo::viewer {

namespace {

// Orientations 5-8 turn the picture a quarter: its width becomes its height.
bool swapsAxes(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

// What is left to turn after decoding (a HEIF's own rotation is applied already).
int orientationOf(const QByteArray &data) {
  return pendingOrientation(data);
}

} // namespace

QSize probeUprightSize(const QString &path) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  QSize size = reader.size();
  if (size.isValid() && reader.transformation() & QImageIOHandler::TransformationRotate90)
    size.transpose();
  if (!size.isValid() && pictureTypeOfName(path) == PictureType::Heif) {
    // Qt has no HEIF reader; the engine's probe reads the container's boxes.
    QFile file;
    if (openForReading(file, path) && file.size() <= MaxSourceFileBytes)
      size = probePictureSize(file.readAll());
  }
  return size;
}

LoadedPicture loadPicture(const QString &path, QSize screen) {
  LoadedPicture out;
  out.path = path;
  QFile file;
  if (!nativeFileFacts(path).exists) {
    out.error = QStringLiteral("文件不存在");
    return out;
  }
  if (!openForReading(file, path)) { // by the name's own bytes: GBK names too
    out.error = QStringLiteral("文件无法打开：%1").arg(file.errorString());
    return out;
  }
  const QByteArray data = file.readAll();
  out.fileSize = data.size();
  const QSize stored = probePictureSize(data);
  if (!stored.isValid()) {
    out.error = data.isEmpty() ? QStringLiteral("文件是空的") : QStringLiteral("不是能识别的图片，或者文件已损坏");
    return out;
  }
  if (qint64(stored.width()) * stored.height() > MaxDecodedPixels) {
    out.error = QStringLiteral("图片尺寸过大（%1×%2）").arg(stored.width()).arg(stored.height());
    return out;
  }
  const int orientation = orientationOf(data);
  out.naturalSize = swapsAxes(orientation) ? stored.transposed() : stored;

  // The largest JPEG reduction whose result still covers the fitted size.
  int denominator = 1;
  if (screen.isValid() && supportsReducedDecode(data)) {
    const QSize shown = out.naturalSize.scaled(screen, Qt::KeepAspectRatio).boundedTo(out.naturalSize);
    const QSize need = swapsAxes(orientation) ? shown.transposed() : shown;
    for (int d : {8, 4, 2}) {
      if ((stored.width() + d - 1) / d >= need.width() && (stored.height() + d - 1) / d >= need.height()) {
        denominator = d;
        break;
      }
    }
  }
  QString error;
  QImage image = decodePicture(data, denominator, &error);
  if (image.isNull()) {
    out.error = QStringLiteral("图片无法解码，文件可能已损坏");
    return out;
  }
  out.image = orientation > 1 ? RotateImage(image, 2, orientation) : image;
  if (screen.isValid()) {
    const QSize shown = out.naturalSize.scaled(screen, Qt::KeepAspectRatio);
    if (out.image.width() > shown.width() || out.image.height() > shown.height())
      out.image = out.image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return out;
}

} // namespace kuvo::viewer
