#include "engine/picture_files.h"

#include "engine/native_names.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace kuvo {

namespace {
struct NamedType {
  QLatin1String extension;
  PictureType type;
};
constexpr NamedType namedTypes[] = {
    {QLatin1String("jpg"), PictureType::Jpeg},  {QLatin1String("jpeg"), PictureType::Jpeg},
    {QLatin1String("jpe"), PictureType::Jpeg},  {QLatin1String("png"), PictureType::Png},
    {QLatin1String("gif"), PictureType::Gif},   {QLatin1String("bmp"), PictureType::Bmp},
    {QLatin1String("tif"), PictureType::Tiff},  {QLatin1String("tiff"), PictureType::Tiff},
    {QLatin1String("webp"), PictureType::WebP}, {QLatin1String("heic"), PictureType::Heif},
    {QLatin1String("heif"), PictureType::Heif}, {QLatin1String("avif"), PictureType::Heif},
};
} // namespace

PictureType pictureTypeOfName(const QString &path) {
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  if (dot > slash) {
    const QString ext = path.mid(dot + 1).toLower();
    for (const NamedType &t : namedTypes)
      if (ext == t.extension)
        return t.type;
  }
  // The old rule looked at the last characters only ("photojpg" passes).
  const QString tail3 = path.right(3).toLower();
  if (tail3 == QLatin1String("jpg"))
    return PictureType::Jpeg;
  if (tail3 == QLatin1String("bmp"))
    return PictureType::Bmp;
  if (tail3 == QLatin1String("gif"))
    return PictureType::Gif;
  if (tail3 == QLatin1String("png"))
    return PictureType::Png;
  if (path.right(4).toLower() == QLatin1String("tiff"))
    return PictureType::Tiff;
  return PictureType::None;
}

bool isAcceptedPicture(const QString &path) {
  return pictureTypeOfName(path) != PictureType::None;
}

QStringList pictureNameFilters(bool withHeif) {
  QStringList filters;
  for (const NamedType &t : namedTypes)
    if (withHeif || t.type != PictureType::Heif)
      filters << QStringLiteral("*.") + t.extension;
  return filters;
}

namespace {
struct Scanner {
  const std::atomic<bool> &cancel;
  const std::function<void(int, const QString &)> &progress;
  QStringList found;
  QElapsedTimer sinceReport;

  void scan(const QString &folder, bool recursive) {
    if (cancel)
      return;
    // Read by the file system's own bytes: Qt would leave out names that
    // are not UTF-8 (GBK names from Windows archives).
    const std::vector<FolderEntry> entries = folderEntries(folder);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const FolderEntry &entry : entries)
      if (entry.isFile && isAcceptedPicture(entry.name))
        found << prefix + entry.name;
    if (progress && sinceReport.elapsed() >= 100) {
      progress(static_cast<int>(found.size()), folder);
      sinceReport.restart();
    }
    if (!recursive)
      return;
    for (const FolderEntry &entry : entries) {
      if (cancel)
        return;
      if (entry.isDir && !entry.isLink) // a link back to a parent would never end
        scan(prefix + entry.name, true);
    }
  }
};
} // namespace

QStringList listPictures(const QString &folder, bool recursive, const std::atomic<bool> &cancel,
                         const std::function<void(int, const QString &)> &progress) {
  Scanner scanner{cancel, progress, {}, {}};
  scanner.sinceReport.start();
  scanner.scan(QDir::cleanPath(QDir(folder).absolutePath()), recursive);
  if (progress)
    progress(static_cast<int>(scanner.found.size()), folder);
  return scanner.found;
}

QStringList listPictures(const QString &folder, bool recursive) {
  const std::atomic<bool> never{false};
  return listPictures(folder, recursive, never, {});
}

QString outputSubfolderBelow(const QString &top, const QString &file) {
  const QString sub = QDir(top).relativeFilePath(QFileInfo(file).absolutePath());
  if (sub.isEmpty() || sub == QLatin1String(".") || sub == QLatin1String("..") ||
      sub.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(sub))
    return QString();
  return sub;
}

} // namespace kuvo
