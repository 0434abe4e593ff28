#include "publish/docx_reader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QVector>
#include <QXmlStreamReader>

namespace kuvo {

namespace {

constexpr qint64 MaxRelationshipsSize = 16ll * 1024 * 1024;
constexpr qint64 MaxDocumentSize = 256ll * 1024 * 1024;

bool isRelationshipNs(QStringView ns) {
  return ns.endsWith(QLatin1String("relationships"));
}

// A relationship target resolved against the folder of the part that names it.
QString resolvePart(const QString &baseFolder, const QString &target) {
  if (target.startsWith(QLatin1Char('/')))
    return QDir::cleanPath(target.mid(1));
  return QDir::cleanPath(baseFolder.isEmpty() ? target : baseFolder + QLatin1Char('/') + target);
}

struct Relationship {
  QString part;          // resolved part name; empty for an external target
  bool external = false; // a file outside the document
};

QHash<QString, Relationship> readRelationships(const QByteArray &xml, const QString &baseFolder) {
  QHash<QString, Relationship> rels;
  QXmlStreamReader reader(xml);
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement() && reader.name() == QLatin1String("Relationship")) {
      const QXmlStreamAttributes a = reader.attributes();
      Relationship rel;
      rel.external = a.value(QLatin1String("TargetMode")) == QLatin1String("External");
      if (!rel.external)
        rel.part = resolvePart(baseFolder, a.value(QLatin1String("Target")).toString());
      rels.insert(a.value(QLatin1String("Id")).toString(), rel);
    }
  }
  return rels;
}

QString mainDocumentPart(const DocxPackage &package) {
  QXmlStreamReader reader(package.readPart(QStringLiteral("_rels/.rels"), MaxRelationshipsSize));
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
QStringList inlinePictureIds(QIODevice *xml, QString &error) {
  QStringList ids;
  QXmlStreamReader reader(xml);
  int fallbackDepth = 0;      // inside mc:Fallback: copies of what mc:Choice holds
  int inlineDepth = 0;        // inside wp:inline
  bool inlineTaken = false;   // one picture per inline shape
  int anchorDepth = 0;        // inside wp:anchor: floating
  int pictDepth = 0;          // inside w:pict
  int floatingShapeDepth = 0; // inside an absolutely positioned VML shape
  enum Kind { None, Fallback, Inline, Anchor, Pict, FloatingShape };
  QVector<Kind> closers; // what each open element counts towards
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
        // An embedded picture, or one that only links to an outside file.
        QString id = relationshipAttribute(reader.attributes(), QLatin1String("embed"));
        if (id.isEmpty())
          id = relationshipAttribute(reader.attributes(), QLatin1String("link"));
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
      switch (closers.isEmpty() ? None : closers.takeLast()) {
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

} // namespace

bool readDocxPictures(const DocxPackage &package, DocxPictures &pictures, QString &error) {
  pictures = DocxPictures();
  if (!package.isOpen()) {
    error = QStringLiteral("这不是一个.docx文档(无法按压缩包打开)。");
    return false;
  }
  const QString documentPart = mainDocumentPart(package);
  const std::unique_ptr<QIODevice> document =
      package.partSize(documentPart) > 0 ? package.openPart(documentPart, MaxDocumentSize) : nullptr;
  if (!document) {
    error = QStringLiteral("文档中缺少正文部分%1。").arg(documentPart);
    return false;
  }
  const QFileInfo partInfo(documentPart);
  const QString folder = partInfo.path() == QLatin1String(".") ? QString() : partInfo.path();
  const QString relsPart = (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral("_rels/") +
                           partInfo.fileName() + QStringLiteral(".rels");
  const QHash<QString, Relationship> rels = readRelationships(package.readPart(relsPart, MaxRelationshipsSize), folder);
  const QStringList ids = inlinePictureIds(document.get(), error);
  if (!error.isEmpty())
    return false;
  for (const QString &id : ids) {
    const auto rel = rels.constFind(id);
    if (rel == rels.cend())
      continue; // a broken reference shows nothing in Word either
    if (rel->external)
      ++pictures.linked;
    else if (!rel->part.isEmpty())
      pictures.parts << rel->part;
  }
  return true;
}

bool readDocxPictures(const QString &path, DocxPictures &pictures, QString &error) {
  return readDocxPictures(DocxPackage(path), pictures, error);
}

bool readDocxPicturesFromMemory(const QByteArray &bytes, DocxPictures &pictures, QString &error) {
  return readDocxPictures(DocxPackage(bytes), pictures, error);
}

} // namespace kuvo
