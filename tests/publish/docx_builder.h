#pragma once
// Builds small .docx files for the tests: inline, floating, VML and
// mc:AlternateContent pictures with PNG media parts.
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <zip.h>

inline QByteArray png(QColor color, QSize size = {40, 30}, bool transparent = false) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(transparent ? QColor(0, 0, 0, 0) : color);
  if (transparent)
    image.setPixelColor(0, 0, color);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// Writes a zip archive of the given parts.
inline bool writeZip(const QString &path, const QList<QPair<QString, QByteArray>> &parts) {
  int err = 0;
  zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (!zip)
    return false;
  for (const auto &[name, data] : parts) {
    zip_source_t *src = zip_source_buffer(zip, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
    if (!src || zip_file_add(zip, name.toUtf8().constData(), src, ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(src);
      zip_discard(zip);
      return false;
    }
  }
  return zip_close(zip) == 0; // the buffers are read here, so they live until now
}

inline const char *Namespaces = R"( xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main")"
                                R"( xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing")"
                                R"( xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main")"
                                R"( xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture")"
                                R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")"
                                R"( xmlns:v="urn:schemas-microsoft-com:vml")"
                                R"( xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006")";

inline QString inlinePicture(const QString &rid) {
  return QString::fromUtf8(R"(<w:r><w:drawing><wp:inline><wp:extent cx="100" cy="100"/><a:graphic><a:graphicData>)"
                           R"(<pic:pic><pic:blipFill><a:blip r:embed="%1"/></pic:blipFill></pic:pic>)"
                           R"(</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>)")
      .arg(rid);
}
inline QString floatingPicture(const QString &rid) {
  return QString::fromUtf8(
             R"(<w:r><w:drawing><wp:anchor><a:graphic><a:graphicData><pic:pic><pic:blipFill>)"
             R"(<a:blip r:embed="%1"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:anchor></w:drawing></w:r>)")
      .arg(rid);
}
inline QString vmlPicture(const QString &rid, bool floating) {
  return QString::fromUtf8(
             R"(<w:r><w:pict><v:shape style="%2width:40pt;height:30pt"><v:imagedata r:id="%1"/></v:shape></w:pict></w:r>)")
      .arg(rid, floating ? QStringLiteral("position:absolute;") : QString());
}
// Newer Word writes a picture twice: DrawingML in mc:Choice, VML in mc:Fallback.
inline QString alternatePicture(const QString &rid) {
  return QStringLiteral("<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\">") +
         inlinePicture(rid).mid(5).chopped(6) + QStringLiteral("</mc:Choice><mc:Fallback>") +
         vmlPicture(rid, false).mid(5).chopped(6) + QStringLiteral("</mc:Fallback></mc:AlternateContent></w:r>");
}

inline bool writeDocx(const QString &path, const QString &body, const QList<QPair<QString, QByteArray>> &media,
                      const QString &documentPart = QStringLiteral("word/document.xml")) {
  QString rels =
      QString::fromUtf8(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)");
  for (int i = 0; i < media.size(); ++i)
    rels +=
        QString::fromUtf8(
            R"(<Relationship Id="rId%1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="media/%2"/>)")
            .arg(i + 1)
            .arg(media[i].first);
  rels += QString::fromUtf8(
      R"(<Relationship Id="rIdLink" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="http://example.org/x.png" TargetMode="External"/>)");
  rels += QStringLiteral("</Relationships>");
  const QString folder = QFileInfo(documentPart).path();
  QList<QPair<QString, QByteArray>> parts{
      {QStringLiteral("[Content_Types].xml"),
       QByteArray(
           R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)")},
      {QStringLiteral("_rels/.rels"),
       QString::fromUtf8(
           R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
           R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="%1"/></Relationships>)")
           .arg(documentPart)
           .toUtf8()},
      {documentPart,
       (QString::fromUtf8(R"(<?xml version="1.0" encoding="UTF-8"?><w:document)") + QLatin1String(Namespaces) +
        QStringLiteral("><w:body><w:p>") + body + QStringLiteral("</w:p></w:body></w:document>"))
           .toUtf8()},
      {folder + QStringLiteral("/_rels/") + QFileInfo(documentPart).fileName() + QStringLiteral(".rels"),
       rels.toUtf8()}};
  for (const auto &[name, data] : media)
    parts.append({folder + QStringLiteral("/media/") + name, data});
  return writeZip(path, parts);
}
