#include "engine/picture_files.h"

#include <QDir>
#include <QFileInfo>

namespace kuvo {

bool isAcceptedPicture(const QString &path) {
  const QString tail3 = path.right(3).toLower();
  return tail3 == QLatin1String("jpg") || tail3 == QLatin1String("bmp") || tail3 == QLatin1String("gif") ||
         tail3 == QLatin1String("png") || path.right(4).toLower() == QLatin1String("tiff") ||
         path.right(5).toLower() == QLatin1String(".webp");
}

namespace {
void collect(const QString &folder, bool recursive, QStringList &out) {
  const QDir dir(folder);
  const auto sort = QDir::Name | QDir::IgnoreCase;
  for (const QFileInfo &info : dir.entryInfoList(QDir::Files, sort))
    if (isAcceptedPicture(info.fileName()))
      out << info.absoluteFilePath();
  if (!recursive)
    return;
  for (const QFileInfo &sub : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, sort))
    if (!sub.isSymLink()) // a link back to a parent would never end
      collect(sub.absoluteFilePath(), true, out);
}
} // namespace

QStringList listPictures(const QString &folder, bool recursive) {
  QStringList out;
  collect(folder, recursive, out);
  return out;
}

} // namespace kuvo
