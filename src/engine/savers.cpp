#include "engine/savers.h"

#include "engine/image_codec.h"
#include "engine/output_naming.h"

#include <QDir>

namespace kuvo {

QString outputExtensionFor(const ProcessingSettings &settings, const QString &sourcePath, bool *bmpSaver) {
  bool bmp = false;
  QString extension;
  if (settings.outputFormat == OriginalFormatText) {
    // The source's own extension: its last four characters, less a leading dot.
    const QString last4 = sourcePath.right(4);
    if (last4.toLower() == QLatin1String(".bmp"))
      bmp = true;
    else
      extension = last4.startsWith(QLatin1Char('.')) ? last4.mid(1) : last4;
  } else if (settings.outputFormat == QLatin1String("bmp")) {
    bmp = true;
  } else {
    extension = settings.outputFormat;
  }
  if (bmp)
    extension = QStringLiteral("bmp");
  if (bmpSaver)
    *bmpSaver = bmp;
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
  return true;
}
} // namespace

EncodedPicture encodePicture(const ProcessingSettings &settings, int index, const QImage &canvas) {
  EncodedPicture picture;
  const QString source = settings.files.value(index);
  picture.extension = outputExtensionFor(settings, source, &picture.bmpSaver);
  picture.name = OutputName(settings, index);
  picture.path = settings.outputFolder + QLatin1Char('/') + picture.name + QLatin1Char('.') + picture.extension;
  if (canvas.isNull() || !isSafeFileName(picture.name + QLatin1Char('.') + picture.extension))
    return picture;
  const auto bytes = picture.bmpSaver ? encodeBmp(canvas)
                                      : encodeWithEncoder(canvas, picture.extension, settings.jpegQuality);
  if (bytes) {
    picture.bytes = *bytes;
    picture.encoded = true;
  }
  return picture;
}

bool writeEncodedPicture(const EncodedPicture &picture, const QString &sourcePath, QString &errorText) {
  QString description;
  if (picture.encoded && writeFileAtomically(picture.path, picture.bytes, &description))
    return true;
  // Failures of the BMP saver are recorded too: a picture that was not
  // written must never look saved.
  errorText += sourcePath + QStringLiteral("在保存时发生错误:") + description + QStringLiteral(".\r\n");
  return false;
}

} // namespace kuvo
