#pragma once
// File names that are not UTF-8, as archives from Chinese Windows systems
// leave them (GBK bytes). Qt lists only names it can decode and opens a
// path by its UTF-8 bytes; these functions list every name, show a GBK name
// as the characters it stands for, and find the file by its own bytes again.
// On Windows names are always Unicode and they change nothing.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <vector>

namespace kuvo {

// A file name as bytes from the file system, shown as text: UTF-8 when the
// bytes are valid UTF-8, else GBK when they decode as GBK and encode back to
// the same bytes; else UTF-8 with replacement characters (listed, so the
// failure to open it becomes an entry instead of a silently missing picture).
QString nameFromNativeBytes(const QByteArray &name);

// The bytes to open path with: its UTF-8 bytes when that file exists, else
// each component that does not exist as UTF-8 is tried as GBK. A path found
// neither way gives its UTF-8 bytes.
QByteArray nativePathBytes(const QString &path);

// What the file system says about a path (links followed; isLink of the
// path itself).
struct NativeFileFacts {
  bool exists = false, isLink = false, isFile = false, isDir = false;
  qint64 size = 0;
  qint64 modifiedMs = 0, changedMs = 0; // contents and metadata, ms since the epoch
};
NativeFileFacts nativeFileFacts(const QString &path);

// Opens path for reading through nativePathBytes.
bool openForReading(QFile &file, const QString &path);

// The entries of a folder in name order (case-insensitive), hidden ones (a
// leading dot) left out.
struct FolderEntry {
  QString name;
  bool isFile = false, isDir = false, isLink = false;
};
std::vector<FolderEntry> folderEntries(const QString &folder);

// The local file a dropped file address names. File managers percent-encode
// a name's own bytes: those that are not UTF-8 are read by
// nameFromNativeBytes, where QUrl::toLocalFile would lose them.
QString localFileFromUrl(const QUrl &url);

// The program's arguments after the program name. On Unix they are taken
// from argv (after the application object has removed its own options) by
// nameFromNativeBytes, so a GBK file name on the command line stays openable;
// elsewhere QCoreApplication::arguments().
QStringList commandLineArguments(int argc, char **argv);

} // namespace kuvo
