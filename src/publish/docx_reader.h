#pragma once
// Which pictures a .docx shows inline, in document order.
#include "publish/docx_package.h"

#include <QString>
#include <QStringList>

namespace kuvo {

struct DocxPictures {
  // The media part of every inline picture in document order: DrawingML
  // pictures in wp:inline and VML pictures in w:pict that are not absolutely
  // positioned. A part shown twice is listed twice. Floating pictures
  // (wp:anchor, positioned VML shapes) and the second copies under
  // mc:Fallback are not taken.
  QStringList parts;
  // Inline pictures that only link to a file outside the document.
  int linked = 0;
};

// Returns false with a reason when the package is not a readable .docx.
bool readDocxPictures(const DocxPackage &package, DocxPictures &pictures, QString &error);
bool readDocxPictures(const QString &path, DocxPictures &pictures, QString &error);
bool readDocxPicturesFromMemory(const QByteArray &bytes, DocxPictures &pictures, QString &error);

} // namespace kuvo
