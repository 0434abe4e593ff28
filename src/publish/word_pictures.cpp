#include "publish/word_pictures.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace kuvo {

namespace {

constexpr qint64 CopyChunk = 1024 * 1024;

enum class Export { Written, Unreadable, NotWritten, TooLarge };

// Creates folder/base + ".jpg", or base + "_2.jpg", "_3.jpg", ... when that
// name is taken: never an existing file, even one another import is
// writing at this moment.
bool createUnique(const QString &folder, const QString &base, QFile &file) {
  for (int n = 1; n <= 1000; ++n) {
    const QString name = base + (n == 1 ? QString() : QStringLiteral("_%1").arg(n)) + QStringLiteral(".jpg");
    file.setFileName(QDir(folder).filePath(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
      return true;
    if (!file.exists())
      return false; // not a name clash: the folder cannot be written
  }
  return false;
}

// Streams one media part into a new file of the folder, its bytes as they
// are. budget is what the document may still write; it shrinks by the size
// written.
Export exportPart(const DocxPackage &package, const QString &part, const QString &folder, const QString &base,
                  qint64 &budget, QString &path) {
  const qint64 stated = package.partSize(part);
  if (stated < 0)
    return Export::Unreadable;
  if (stated > budget)
    return Export::TooLarge;
  const std::unique_ptr<QIODevice> in = package.openPart(part, budget);
  if (!in)
    return Export::Unreadable;
  QByteArray chunk(CopyChunk, Qt::Uninitialized);
  qint64 n = in->read(chunk.data(), chunk.size());
  if (n <= 0)
    return Export::Unreadable;
  // Only pictures the program can decode (not EMF, WMF, ...) join the list.
  QBuffer head;
  head.setData(chunk.constData(), static_cast<qsizetype>(n));
  head.open(QIODevice::ReadOnly);
  if (QImageReader::imageFormat(&head).isEmpty())
    return Export::Unreadable;

  QFile out;
  if (!createUnique(folder, base, out))
    return Export::NotWritten;
  qint64 total = 0;
  bool ok = true;
  while (n > 0 && ok) {
    ok = out.write(chunk.constData(), n) == n;
    total += n;
    n = in->read(chunk.data(), chunk.size());
  }
  const bool readFailed = n < 0;
  ok = ok && !readFailed && out.flush();
  out.close();
  if (!ok || out.error() != QFileDevice::NoError) {
    out.remove(); // a half-written picture never joins the list
    if (readFailed)
      return total >= budget ? Export::TooLarge : Export::Unreadable;
    return Export::NotWritten;
  }
  budget -= total;
  path = out.fileName();
  return Export::Written;
}

} // namespace

QString linkedPicturesNote(int linked) {
  return linked > 0 ? QStringLiteral("有%1张链接的图片没有导入。").arg(linked) : QString();
}

QString libreOfficeProgram() {
  for (const char *name : {"soffice", "libreoffice"}) {
    const QString p = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!p.isEmpty())
      return p;
  }
  return QString();
}

QString convertToDocx(const QString &docPath, const QString &outFolder, QString &error, int timeoutSeconds) {
  const QString program = libreOfficeProgram();
  if (program.isEmpty()) {
    error = QStringLiteral("没有找到LibreOffice。");
    return QString();
  }
  // Each conversion gets its own profile, so a running LibreOffice does not
  // swallow the request.
  QTemporaryDir profile;
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
                    QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                    QStringLiteral("docx"), QStringLiteral("--outdir"), outFolder, docPath});
  if (!p.waitForFinished(timeoutSeconds * 1000)) {
    p.kill();
    p.waitForFinished(5000);
    error = QStringLiteral("转换超时。");
    return QString();
  }
  // It exits with 0 even when it failed: the output file is the answer.
  const QString out = QDir(outFolder).filePath(QFileInfo(docPath).completeBaseName() + QStringLiteral(".docx"));
  if (!QFileInfo::exists(out)) {
    error = QString::fromLocal8Bit(p.readAll()).trimmed();
    if (error.isEmpty())
      error = QStringLiteral("没有生成.docx文件。");
    return QString();
  }
  return out;
}

bool isWordDocument(const QString &path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == QLatin1String("docx") || suffix == QLatin1String("doc");
}

WordImportResult ImportWordPictures(const QString &documentPath, const QString &folder,
                                    const WordImportLimits &limits) {
  WordImportResult result;
  DocxPictures pictures;
  QString error;
  QString docx = documentPath;
  QTemporaryDir temp; // holds the .docx made from a .doc
  // Some .doc files are really .docx and the other way round: try the
  // archive first, whatever the name says.
  bool read = readDocxPictures(docx, pictures, error);
  if (!read && QFileInfo(documentPath).suffix().compare(QLatin1String("doc"), Qt::CaseInsensitive) == 0) {
    if (libreOfficeProgram().isEmpty()) {
      result.status = WordImportStatus::NeedsLibreOffice;
      result.message = QStringLiteral("读取.doc文件需要LibreOffice，但这台电脑上没有安装。"
                                      "请安装LibreOffice，或在Word中把文档另存为.docx后再导入。");
      return result;
    }
    docx = convertToDocx(documentPath, temp.path(), error);
    if (docx.isEmpty()) {
      result.status = WordImportStatus::ConversionFailed;
      result.message = QStringLiteral("LibreOffice没能把这个.doc文件转换为.docx：") + error;
      return result;
    }
    error.clear();
    read = readDocxPictures(docx, pictures, error);
  }
  if (!read) {
    result.status = WordImportStatus::CannotRead;
    result.message = QStringLiteral("无法读取这个Word文档：") + error;
    return result;
  }
  result.linked = pictures.linked;
  if (pictures.parts.isEmpty()) {
    result.status = WordImportStatus::NoPictures;
    result.message = WordNoPicturesText;
    return result;
  }

  QDir().mkpath(folder);
  const DocxPackage package(docx);
  const int count = static_cast<int>(std::min<qsizetype>(pictures.parts.size(), limits.pictures));
  QHash<QString, QString> exported; // part -> its file; empty when it could not be used
  qint64 budget = limits.bytes;
  int notWritten = 0;
  bool overBudget = false;
  for (int k = 0; k < count && !overBudget; ++k) {
    const QString &part = pictures.parts[k];
    auto done = exported.constFind(part);
    if (done == exported.cend()) {
      const QString base =
          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")) + QString::number(k + 1);
      QString path;
      switch (exportPart(package, part, folder, base, budget, path)) {
      case Export::Written:
        break;
      case Export::Unreadable:
        ++result.unreadable;
        break;
      case Export::NotWritten:
        ++notWritten;
        break;
      case Export::TooLarge:
        overBudget = true;
        continue;
      }
      done = exported.insert(part, path);
    } else if (done->isEmpty()) {
      ++result.unreadable; // the same undecodable picture once more
    }
    if (!done->isEmpty())
      result.files << *done;
  }

  QStringList notes;
  if (pictures.parts.size() > limits.pictures)
    notes << QStringLiteral("文档中有%1张图片，超过了%2张的上限，只导入了前%2张。")
                 .arg(pictures.parts.size())
                 .arg(limits.pictures);
  if (overBudget)
    notes << QStringLiteral("文档中的图片合计超过%1 MB的上限，只导入了其中%2张。")
                 .arg(QString::number(limits.bytes / (1024.0 * 1024), 'g', 4))
                 .arg(result.files.size());
  if (!result.files.isEmpty()) {
    result.status = WordImportStatus::Ok;
    if (result.unreadable + notWritten > 0)
      notes.prepend(QStringLiteral("有%1张图片无法导入(格式不受支持或无法写入)，其余图片已添加。")
                        .arg(result.unreadable + notWritten));
  } else if (notWritten > 0) {
    result.status = WordImportStatus::WriteFailed;
    notes.prepend(QStringLiteral("无法把图片写入文件夹“%1”。").arg(QDir::toNativeSeparators(folder)));
  } else if (result.unreadable > 0) {
    result.status = WordImportStatus::CannotRead;
    notes.prepend(QStringLiteral("文档里的%1张图片格式不受支持，无法导入。").arg(result.unreadable));
  } else {
    result.status = WordImportStatus::CannotRead;
  }
  result.message = notes.join(QString());
  return result;
}

} // namespace kuvo
