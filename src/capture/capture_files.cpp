#include "capture/capture_files.h"

#include <QDir>
#include <QFile>

namespace kuvo {

QString saveNewBmp(const QImage &image, const QString &folder, const QString &prefix, const QString &stamp) {
  if (image.isNull())
    return {};
  QDir().mkpath(folder);
  // RGB32 is written as a 24-bit BMP; alpha would make it 32-bit.
  const QImage opaque = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  const QString base = QDir(folder).filePath(prefix + stamp);
  for (int n = 1; n < 10000; ++n) {
    const QString path = n == 1 ? base + QStringLiteral(".bmp") : base + QStringLiteral("_%1.bmp").arg(n);
    QFile file(path);
    if (file.exists())
      continue;
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      if (file.exists())
        continue; // taken between the test and the open
      return {};  // the folder is not writable
    }
    const bool ok = opaque.save(&file, "BMP");
    file.close();
    if (ok)
      return path;
    file.remove();
    return {};
  }
  return {};
}

QString screenCaptureStamp(const QDateTime &when) { return when.toString(QStringLiteral("yyyyMMddHHmmss")); }

QString webcamStamp(const QDateTime &when) { return when.toString(QStringLiteral("ddHHmmss")); }

void removeScratchFile(const QString &path) { QFile::remove(path); }

} // namespace kuvo
