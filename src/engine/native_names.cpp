#include "engine/native_names.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kuvo {

namespace {
QString fromGbkExactly(const QByteArray &bytes, bool *ok) {
  *ok = false;
  QStringDecoder decoder("GBK");
  QStringEncoder encoder("GBK");
  if (!decoder.isValid() || !encoder.isValid())
    return {};
  const QString text = decoder(bytes);
  if (decoder.hasError())
    return {};
  const QByteArray back = encoder(text);
  *ok = !encoder.hasError() && back == bytes;
  return text;
}

QByteArray toGbk(const QString &text, bool *ok) {
  QStringEncoder encoder("GBK");
  *ok = false;
  if (!encoder.isValid())
    return {};
  const QByteArray bytes = encoder(text);
  *ok = !encoder.hasError();
  return bytes;
}

#ifdef Q_OS_UNIX
bool lexists(const QByteArray &path) {
  struct stat st;
  return ::lstat(path.constData(), &st) == 0;
}
#endif
} // namespace

QString nameFromNativeBytes(const QByteArray &name) {
  QStringDecoder utf8(QStringConverter::Utf8);
  const QString text = utf8(name);
  if (!utf8.hasError())
    return text;
  bool ok = false;
  const QString gbk = fromGbkExactly(name, &ok);
  return ok ? gbk : text;
}

QByteArray nativePathBytes(const QString &path) {
  const QByteArray utf8 = QFile::encodeName(path);
#ifdef Q_OS_UNIX
  bool ascii = true;
  for (const QChar c : path)
    ascii = ascii && c.unicode() < 0x80;
  if (ascii || lexists(utf8))
    return utf8;
  // Component by component: a folder may be GBK-named as well as the file.
  const QStringList parts = path.split(QLatin1Char('/'));
  QByteArray resolved;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0)
      resolved += '/';
    const QString &part = parts[i];
    if (part.isEmpty())
      continue;
    const QByteArray asUtf8 = resolved + QFile::encodeName(part);
    if (lexists(asUtf8)) {
      resolved = asUtf8;
      continue;
    }
    bool ok = false;
    const QByteArray gbk = toGbk(part, &ok);
    if (!ok || !lexists(resolved + gbk))
      return utf8;
    resolved += gbk;
  }
  return resolved;
#else
  return utf8;
#endif
}

NativeFileFacts nativeFileFacts(const QString &path) {
  NativeFileFacts facts;
#ifdef Q_OS_UNIX
  const QByteArray native = nativePathBytes(path);
  struct stat st;
  facts.isLink = ::lstat(native.constData(), &st) == 0 && S_ISLNK(st.st_mode);
  if (::stat(native.constData(), &st) == 0) {
    facts.exists = true;
    facts.isFile = S_ISREG(st.st_mode);
    facts.isDir = S_ISDIR(st.st_mode);
    facts.size = qint64(st.st_size);
    facts.modifiedMs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    facts.changedMs = qint64(st.st_ctim.tv_sec) * 1000 + st.st_ctim.tv_nsec / 1000000;
  }
#else
  const QFileInfo info(path);
  facts.exists = info.exists();
  facts.isLink = info.isSymLink();
  facts.isFile = info.isFile();
  facts.isDir = info.isDir();
  facts.size = info.size();
  facts.modifiedMs = info.lastModified().toMSecsSinceEpoch();
  facts.changedMs = info.metadataChangeTime().toMSecsSinceEpoch();
#endif
  return facts;
}

bool openForReading(QFile &file, const QString &path) {
#ifdef Q_OS_UNIX
  const QByteArray native = nativePathBytes(path);
  if (native != QFile::encodeName(path)) {
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      // QFile reports the same error for the UTF-8 name.
      file.setFileName(path);
      return file.open(QIODevice::ReadOnly);
    }
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
      return true;
    ::close(fd);
    return false;
  }
#endif
  file.setFileName(path);
  return file.open(QIODevice::ReadOnly);
}

std::vector<FolderEntry> folderEntries(const QString &folder) {
  std::vector<FolderEntry> entries;
#ifdef Q_OS_UNIX
  const QByteArray native = nativePathBytes(folder);
  DIR *dir = ::opendir(native.constData());
  if (!dir)
    return entries;
  while (const dirent *e = ::readdir(dir)) {
    if (e->d_name[0] == '.')
      continue; // hidden, "." and ".."
    const QByteArray full = native + '/' + e->d_name;
    struct stat st;
    FolderEntry entry;
    entry.isLink = ::lstat(full.constData(), &st) == 0 && S_ISLNK(st.st_mode);
    if (::stat(full.constData(), &st) != 0)
      continue; // a dangling link
    entry.isFile = S_ISREG(st.st_mode);
    entry.isDir = S_ISDIR(st.st_mode);
    entry.name = nameFromNativeBytes(QByteArray(e->d_name));
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
#else
  const QDir dir(folder);
  for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
    entries.push_back({info.fileName(), info.isFile(), info.isDir(), info.isSymLink()});
#endif
  std::sort(entries.begin(), entries.end(), [](const FolderEntry &a, const FolderEntry &b) {
    const int c = QString::compare(a.name, b.name, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  return entries;
}

QString localFileFromUrl(const QUrl &url) {
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  QStringDecoder utf8(QStringConverter::Utf8);
  utf8(bytes);
  if (!utf8.hasError() || !url.isLocalFile() || !url.host().isEmpty())
    return url.toLocalFile();
  return nameFromNativeBytes(bytes);
}

QStringList commandLineArguments(int argc, char **argv) {
#ifdef Q_OS_UNIX
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << nameFromNativeBytes(QByteArray(argv[i]));
  return arguments;
#else
  Q_UNUSED(argc);
  Q_UNUSED(argv);
  return QCoreApplication::arguments().mid(1);
#endif
}

} // namespace kuvo
