#include "app/window_rules.h"

#include "engine/picture_files.h"
#include "engine/processing_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace kuvo {

bool textWatermarkTiled(const ProcessingSettings &job) {
  return job.textWatermarkOn && !job.text.isEmpty() && job.textAnchor == AnchorTile;
}

bool pictureWatermarkTiled(const ProcessingSettings &job) {
  return job.pictureWatermarkOn && job.pictureWatermarkAnchor == AnchorTile;
}

QString statusLineText(const QString &text) {
  if (text.size() > 240)
    return text.left(230) + QStringLiteral("...");
  return text;
}

QString shortenedPath(const QString &path) {
  if (path.size() < 23)
    return path;
  return path.left(3) + QStringLiteral("...") + path.right(17);
}

QString countLabelText(qsizetype count) {
  return QStringLiteral("图片数量:") + QString::number(count) + QStringLiteral("个");
}

float watermarkScaleFor(int v) {
  float scale;
  if (v <= 0)
    scale = 1.0f + static_cast<float>(v) / 20.0f;
  else if (v <= 10)
    scale = 1.0f + static_cast<float>(v) / 10.0f;
  else
    scale = 1.0f + static_cast<float>(v) / 5.0f;
  return scale <= 0.0f ? 0.05f : scale;
}

int appendNewPictures(QStringList &list, const QStringList &candidates) {
  QSet<QString> present(list.begin(), list.end());
  int added = 0;
  for (const QString &path : candidates) {
    if (!isAcceptedPicture(path) || present.contains(path))
      continue;
    list << path;
    present.insert(path);
    ++added;
  }
  return added;
}

void RemovedStack::push(const QString &path, int index) {
  if (entries_.size() < MaxRestorable)
    entries_.append({path, index});
}

void RemovedStack::restoreInto(QStringList &list) {
  for (qsizetype i = entries_.size() - 1; i >= 0; --i) {
    const Entry &e = entries_[i];
    const qsizetype at = std::clamp<qsizetype>(e.index, 0, list.size());
    list.insert(at, e.path);
  }
  entries_.clear();
}

QVector<BorderEntry> bordersInFolder(const QString &folder, const QStringList &known) {
  QVector<BorderEntry> result;
  if (folder.isEmpty())
    return result;
  const QDir dir(folder);
  const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  QSet<QString> seen(known.begin(), known.end());
  for (const QFileInfo &info : files) {
    const QString name = info.fileName();
    if (!name.right(3).toLower().endsWith(QLatin1String("png")) || name.size() < 4)
      continue;
    const QString path = info.absoluteFilePath();
    if (seen.contains(path))
      continue;
    seen.insert(path);
    result.append({name.left(name.size() - 4), path});
  }
  return result;
}

QString previewFailureText(const QString &path, const QString &errorText) {
  QString reason = errorText.section(QStringLiteral("\r\n"), 0, 0).trimmed();
  if (reason.startsWith(path))
    reason = reason.mid(path.size());
  if (reason.isEmpty())
    reason = QStringLiteral("无法读取图片,文件已损坏或不是支持的图片格式。");
  return QStringLiteral("【操作错误】无法预览") + QFileInfo(path).fileName() + QStringLiteral(":") + reason;
}

QString newFolderName(int n) {
  if (n == 1)
    return QStringLiteral("新建文件夹");
  return QStringLiteral("新建文件夹( ") + QString::number(n) + QStringLiteral(")");
}

QString createNewFolder(const QString &parent) {
  const QDir dir(parent);
  if (!dir.exists())
    return QString();
  for (int n = 1; n < 100000; ++n) {
    const QString path = dir.filePath(newFolderName(n));
    if (QFileInfo::exists(path))
      continue;
    return dir.mkdir(newFolderName(n)) ? QDir::cleanPath(path) : QString();
  }
  return QString();
}

} // namespace kuvo
