#include "publish/word_pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <zip.h>

namespace kuvo {

namespace {

constexpr zip_uint64_t MaxPartSize = 256ull * 1024 * 1024;
constexpr qint64 MaxPicturesSize = 2048ll * 1024 * 1024;

class ZipArchive {
public:
  explicit ZipArchive(const QString &path) {
    int err = 0;
    zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err);
  }
  // Reads from memory; bytes must outlive the archive.
  explicit ZipArchive(const QByteArray &bytes) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &err);
    if (source) {
      zip_ = zip_open_from_source(source, ZIP_RDONLY, &err);
      if (!zip_)
        zip_source_free(source); // on success the archive owns the source
    }
    zip_error_fini(&err);
  }
  ~ZipArchive() {
    if (zip_)
      zip_discard(zip_);
  }
  bool isOpen() const { return zip_ != nullptr; }
  bool has(const QString &name) const { return zip_ && zip_name_locate(zip_, name.toUtf8().constData(), 0) >= 0; }
  // The part's bytes; an empty array when it is missing or too big.
  QByteArray read(const QString &name) const {
    if (!zip_)
      return {};
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(zip_, name.toUtf8().constData(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || st.size > MaxPartSize)
      return {};
    zip_file_t *f = zip_fopen(zip_, name.toUtf8().constData(), 0);
    if (!f)
      return {};
    QByteArray bytes(static_cast<qsizetype>(st.size), Qt::Uninitialized);
    const zip_int64_t n = zip_fread(f, bytes.data(), st.size);
    zip_fclose(f);
    if (n != static_cast<zip_int64_t>(st.size))
      return {};
    return bytes;
  }

private:
  zip_t *zip_ = nullptr;
};

bool isRelationshipNs(QStringView ns) {
  return ns.endsWith(QLatin1String("relationships"));
}

// A relationship target resolved against the folder of the part that names it.
QString resolvePart(const QString &baseFolder, const QString &target) {
  if (target.startsWith(QLatin1Char('/')))
    return QDir::cleanPath(target.mid(1));
  return QDir::cleanPath(baseFolder.isEmpty() ? target : baseFolder + QLatin1Char('/') + target);
}

// Id -> part name of the internal relationships in a .rels part.
QHash<QString, QString> readRelationships(const QByteArray &xml, const QString &baseFolder) {
  QHash<QString, QString> rels;
  QXmlStreamReader reader(xml);
  while (reader.readNextStartElement() || !reader.atEnd()) {
    if (reader.isStartElement() && reader.name() == QLatin1String("Relationship")) {
      const QXmlStreamAttributes a = reader.attributes();
      if (a.value(QLatin1String("TargetMode")) != QLatin1String("External"))
        rels.insert(a.value(QLatin1String("Id")).toString(),
                    resolvePart(baseFolder, a.value(QLatin1String("Target")).toString()));
    }
    if (reader.hasError())
      break;
  }
  return rels;
}

QString mainDocumentPart(const ZipArchive &zip) {
  const QByteArray rels = zip.read(QStringLiteral("_rels/.rels"));
  QXmlStreamReader reader(rels);
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement() && reader.name() == QLatin1String("Relationship") &&
        reader.attributes().value(QLatin1String("Type")).endsWith(QLatin1String("/officeDocument")))
      return resolvePart(QString(), reader.attributes().value(QLatin1String("Target")).toString());
  }
  return QStringLiteral("word/document.xml");
}

QString relationshipAttribute(const QXmlStreamAttributes &attributes, QLatin1String localName) {
  for (const QXmlStreamAttribute &a : attributes)
    if (a.name() == localName && isRelationshipNs(a.namespaceUri()))
      return a.value().toString();
  return QString();
}

// Walks document.xml and lists the relationship ids of the inline pictures
// in document order.
QStringList inlinePictureIds(const QByteArray &xml, QString &error) {
  QStringList ids;
  QXmlStreamReader reader(xml);
  int fallbackDepth = 0;      // inside mc:Fallback: copies of what mc:Choice holds
  int inlineDepth = 0;        // inside wp:inline
  bool inlineTaken = false;   // one picture per inline shape
  int anchorDepth = 0;        // inside wp:anchor: floating
  int pictDepth = 0;          // inside w:pict
  int floatingShapeDepth = 0; // inside an absolutely positioned VML shape
  QVector<int> closers;       // what each open element counts towards
  enum Kind { None, Fallback, Inline, Anchor, Pict, FloatingShape };
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) {
      const QStringView name = reader.name();
      Kind kind = None;
      if (name == QLatin1String("Fallback") && reader.namespaceUri().contains(QLatin1String("markup-compatibility")))
        kind = Fallback;
      else if (name == QLatin1String("inline") &&
               reader.namespaceUri().contains(QLatin1String("wordprocessingDrawing")))
        kind = Inline;
      else if (name == QLatin1String("anchor") &&
               reader.namespaceUri().contains(QLatin1String("wordprocessingDrawing")))
        kind = Anchor;
      else if (name == QLatin1String("pict"))
        kind = Pict;
      else if (pictDepth > 0 && (name == QLatin1String("shape") || name == QLatin1String("rect")) &&
               reader.attributes().value(QLatin1String("style")).contains(QLatin1String("position:absolute")))
        kind = FloatingShape;
      closers << kind;
      switch (kind) {
      case Fallback:
        ++fallbackDepth;
        break;
      case Inline:
        if (++inlineDepth == 1)
          inlineTaken = false;
        break;
      case Anchor:
        ++anchorDepth;
        break;
      case Pict:
        ++pictDepth;
        break;
      case FloatingShape:
        ++floatingShapeDepth;
        break;
      case None:
        break;
      }
      if (fallbackDepth > 0 || anchorDepth > 0)
        continue;
      if (name == QLatin1String("blip") && inlineDepth > 0 && !inlineTaken) {
        const QString id = relationshipAttribute(reader.attributes(), QLatin1String("embed"));
        if (!id.isEmpty()) {
          ids << id;
          inlineTaken = true;
        }
      } else if (name == QLatin1String("imagedata") && pictDepth > 0 && floatingShapeDepth == 0 && inlineDepth == 0) {
        const QString id = relationshipAttribute(reader.attributes(), QLatin1String("id"));
        if (!id.isEmpty())
          ids << id;
      }
    } else if (reader.isEndElement()) {
      const Kind kind = closers.isEmpty() ? None : static_cast<Kind>(closers.takeLast());
      switch (kind) {
      case Fallback:
        --fallbackDepth;
        break;
      case Inline:
        --inlineDepth;
        break;
      case Anchor:
        --anchorDepth;
        break;
      case Pict:
        --pictDepth;
        break;
      case FloatingShape:
        --floatingShapeDepth;
        break;
      case None:
        break;
      }
    }
  }
  if (reader.hasError())
    error = QStringLiteral("文档内容无法解析(%1)。").arg(reader.errorString());
  return ids;
}

QString stampNow() {
  return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
}

// Decoded picture on white (JPEG has no transparency), or a null image.
QImage decodeOnWhite(const QByteArray &data) {
  QImage image = QImage::fromData(data);
  if (image.isNull())
    return image;
  if (!image.hasAlphaChannel())
    return image.convertToFormat(QImage::Format_RGB32);
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter painter(&flat);
  painter.drawImage(0, 0, image);
  painter.end();
  return flat;
}

} // namespace

namespace {

bool readDocxArchive(const ZipArchive &zip, QVector<DocxPicture> &pictures, QString &error) {
  pictures.clear();
  if (!zip.isOpen()) {
    error = QStringLiteral("这不是一个.docx文档(无法按压缩包打开)。");
    return false;
  }
  const QString documentPart = mainDocumentPart(zip);
  const QByteArray document = zip.read(documentPart);
  if (document.isEmpty()) {
    error = QStringLiteral("文档中缺少正文部分%1。").arg(documentPart);
    return false;
  }
  const QFileInfo partInfo(documentPart);
  const QString folder = partInfo.path() == QLatin1String(".") ? QString() : partInfo.path();
  const QString relsPart = (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral("_rels/") +
                           partInfo.fileName() + QStringLiteral(".rels");
  const QHash<QString, QString> rels = readRelationships(zip.read(relsPart), folder);
  const QStringList ids = inlinePictureIds(document, error);
  if (!error.isEmpty())
    return false;
  // A picture used many times is one part: it is read once and its bytes
  // shared. All distinct parts together stay under a bound, so that a small
  // archive of highly compressed parts cannot fill the memory.
  QHash<QString, QByteArray> read;
  qint64 total = 0;
  for (const QString &id : ids) {
    const QString part = rels.value(id);
    if (part.isEmpty())
      continue; // a linked picture outside the document
    auto it = read.find(part);
    if (it == read.end()) {
      it = read.insert(part, zip.read(part));
      total += it->size();
      if (total > MaxPicturesSize) {
        pictures.clear();
        error = QStringLiteral("文档中的图片合计超过%1 MB。").arg(MaxPicturesSize / (1024 * 1024));
        return false;
      }
    }
    pictures.push_back({part, *it});
  }
  return true;
}

} // namespace

bool readDocxPictures(const QString &path, QVector<DocxPicture> &pictures, QString &error) {
  return readDocxArchive(ZipArchive(path), pictures, error);
}

bool readDocxPicturesFromMemory(const QByteArray &bytes, QVector<DocxPicture> &pictures, QString &error) {
  return readDocxArchive(ZipArchive(bytes), pictures, error);
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

WordImportResult ImportWordPictures(const QString &documentPath, const QString &folder) {
  WordImportResult result;
  QVector<DocxPicture> pictures;
  QString error;
  // Some .doc files are really .docx and the other way round: try the
  // archive first, whatever the name says.
  bool read = readDocxPictures(documentPath, pictures, error);
  if (!read && QFileInfo(documentPath).suffix().compare(QLatin1String("doc"), Qt::CaseInsensitive) == 0) {
    if (libreOfficeProgram().isEmpty()) {
      result.status = WordImportStatus::NeedsLibreOffice;
      result.message = QStringLiteral("读取.doc文件需要LibreOffice，但这台电脑上没有安装。"
                                      "请安装LibreOffice，或在Word中把文档另存为.docx后再导入。");
      return result;
    }
    QTemporaryDir temp;
    const QString docx = convertToDocx(documentPath, temp.path(), error);
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
  if (pictures.isEmpty()) {
    result.status = WordImportStatus::NoPictures;
    result.message = WordNoPicturesText;
    return result;
  }

  QDir().mkpath(folder);
  int notWritten = 0;
  for (int k = 0; k < pictures.size(); ++k) {
    const QImage image = decodeOnWhite(pictures[k].data);
    if (image.isNull()) {
      ++result.unreadable;
      continue;
    }
    const QString path = QDir(folder).filePath(stampNow() + QString::number(k + 1) + QStringLiteral(".jpg"));
    // Only a file that is really there joins the list.
    if (image.save(path, "JPEG", 95) && QFileInfo(path).isFile())
      result.files << path;
    else
      ++notWritten;
  }
  if (!result.files.isEmpty()) {
    result.status = WordImportStatus::Ok;
    if (result.unreadable + notWritten > 0)
      result.message = QStringLiteral("有%1张图片无法导入(格式不受支持或无法写入)，其余图片已添加。")
                           .arg(result.unreadable + notWritten);
  } else if (notWritten > 0) {
    result.status = WordImportStatus::WriteFailed;
    result.message = QStringLiteral("无法把图片写入文件夹“%1”。").arg(QDir::toNativeSeparators(folder));
  } else {
    result.status = WordImportStatus::CannotRead;
    result.message = QStringLiteral("文档里的%1张图片格式不受支持，无法导入。").arg(result.unreadable);
  }
  return result;
}

} // namespace kuvo
