#pragma once
// The pictures inside a Word document, written as JPEG files into the
// scratch folder so that they can join the file list. A .docx is read
// directly; a .doc is first converted to .docx by LibreOffice when it is
// installed.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

namespace kuvo {

inline const QString WordMenuText = QStringLiteral("从Word文档批量导入...");
inline const QString WordDialogTitle = QStringLiteral("请选择图片所在的Word文件");
// A QFileDialog name filter: the design's text, then the patterns.
inline const QString WordDialogFilter = QStringLiteral("Word文档(*.doc,*.docx) (*.doc *.docx)");
inline const QString WordNoPicturesText = QStringLiteral("这个文件里没有图片呢！");

struct DocxPicture {
  QString partName; // e.g. word/media/image1.png
  QByteArray data;
};

// The inline pictures of a .docx in document order: DrawingML pictures in
// wp:inline and VML pictures in w:pict that are not absolutely positioned.
// Floating pictures (wp:anchor, positioned VML shapes) and the second copies
// under mc:Fallback are not taken. Returns false with a reason when the file
// is not a readable .docx.
bool readDocxPictures(const QString &path, QVector<DocxPicture> &pictures, QString &error);
// The same for a .docx already in memory.
bool readDocxPicturesFromMemory(const QByteArray &bytes, QVector<DocxPicture> &pictures, QString &error);

// soffice or libreoffice on the PATH, or empty.
QString libreOfficeProgram();

// Converts a .doc to .docx in outFolder with LibreOffice headless. Returns
// the new file's path, or empty with a reason.
QString convertToDocx(const QString &docPath, const QString &outFolder, QString &error, int timeoutSeconds = 120);

enum class WordImportStatus { Ok, NoPictures, CannotRead, NeedsLibreOffice, ConversionFailed, WriteFailed };

struct WordImportResult {
  WordImportStatus status = WordImportStatus::CannotRead;
  QStringList files;  // written JPEG files, in document order; only files that exist
  int unreadable = 0; // pictures in a format that cannot be decoded (EMF, WMF, ...)
  QString message;    // for the user; empty when everything went well
};

// Writes every inline picture of the document as folder/stamp + k + ".jpg"
// (stamp: the moment of writing as yyyyMMddHHmmss, k from 1 in document
// order) and returns the files written. Blocking; may take seconds for a
// .doc, so the window runs it off its thread.
WordImportResult ImportWordPictures(const QString &documentPath, const QString &folder);

// Whether kuvo-batch and the window treat a path as a Word document.
bool isWordDocument(const QString &path);

} // namespace kuvo
