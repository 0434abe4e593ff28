#pragma once
// Small rules of the main window that do not need a widget: status text
// shortening, label paths, the watermark scale slider, the removed-entry
// stack of the file list and the border table.
#include <QString>
#include <QStringList>
#include <QVector>

namespace kuvo {

struct ProcessingSettings;

inline const QString AppTitle = QStringLiteral("Kuvo图片批处理");
inline const QString VersionText = QStringLiteral("6.5.9999版");
inline const QString IdleStatus = QStringLiteral("就绪。");
inline const QString IdlePreviewText =
    QStringLiteral("添加图片后，这里显示处理效果预览\n\n可将图片或文件夹内的图片拖放到窗口中");

// A status text longer than 240 characters becomes its first 230 and "...".
QString statusLineText(const QString &text);

// Paths of 23 characters or more: first 3, "...", last 17.
QString shortenedPath(const QString &path);

// The status line for an entry the preview could not make: the file name and
// the engine's reason (its first error entry without the path), or that the
// file could not be read as a picture.
QString previewFailureText(const QString &path, const QString &errorText);

// "图片数量:" + n + "个".
QString countLabelText(qsizetype count);

// The watermark scale of slider value v (-20..20); never 0.
float watermarkScaleFor(int v);

// A watermark that is on, has its text or picture and stands on "平铺".
bool textWatermarkTiled(const ProcessingSettings &job);
bool pictureWatermarkTiled(const ProcessingSettings &job);

// Appends the accepted pictures among candidates that are not yet in list
// (exact comparison); returns how many were added.
int appendNewPictures(QStringList &list, const QStringList &candidates);

// Entries removed from the file list, restorable in their former places.
// Only the first MaxRestorable removals since the last clear are kept.
class RemovedStack {
public:
  static constexpr int MaxRestorable = 501;
  void push(const QString &path, int index);
  bool isEmpty() const { return entries_.isEmpty(); }
  int size() const { return static_cast<int>(entries_.size()); }
  void clear() { entries_.clear(); }
  // Reinserts the entries in reverse order of removal, each at the index it
  // had (clamped to the list), then empties the stack.
  void restoreInto(QStringList &list);

private:
  struct Entry {
    QString path;
    int index;
  };
  QVector<Entry> entries_;
};

// One border of the border list: its caption and its file path.
struct BorderEntry {
  QString name;
  QString path;
};

// The *.png files of folder (any letter case), in name order, as captions
// without their last four characters and full paths; paths already in known
// are skipped.
QVector<BorderEntry> bordersInFolder(const QString &folder, const QStringList &known = {});

// "新建文件夹" for n = 1, else "新建文件夹( n)".
QString newFolderName(int n);
// Creates the first free "新建文件夹..." folder in parent; returns its path,
// or an empty text when it could not be made.
QString createNewFolder(const QString &parent);

} // namespace kuvo
