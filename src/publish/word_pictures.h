#pragma once
// The pictures inside a Word document, written as files into the scratch
// folder so that they can join the file list. A .docx is read directly; a
// .doc is first converted to .docx by LibreOffice when it is installed.
#include "publish/docx_reader.h"

#include <QString>
#include <QStringList>

namespace kuvo {

inline const QString WordMenuText = QStringLiteral("从Word文档批量导入...");
inline const QString WordDialogTitle = QStringLiteral("请选择图片所在的Word文件");
// A QFileDialog name filter: the design's text, then the patterns.
inline const QString WordDialogFilter = QStringLiteral("Word文档(*.doc,*.docx) (*.doc *.docx)");
inline const QString WordNoPicturesText = QStringLiteral("这个文件里没有图片呢！");

// One document yields at most this many pictures and bytes of pictures, so
// that a small archive cannot fill the disk.
struct WordImportLimits {
  int pictures = 1000;
  qint64 bytes = 1024ll * 1024 * 1024;
};

// The status-line note for pictures that are only linked, or empty.
QString linkedPicturesNote(int linked);

// soffice or libreoffice on the PATH, or empty.
QString libreOfficeProgram();

// Converts a .doc to .docx in outFolder with LibreOffice headless. Returns
// the new file's path, or empty with a reason.
QString convertToDocx(const QString &docPath, const QString &outFolder, QString &error, int timeoutSeconds = 120);

enum class WordImportStatus { Ok, NoPictures, CannotRead, NeedsLibreOffice, ConversionFailed, WriteFailed };

struct WordImportResult {
  WordImportStatus status = WordImportStatus::CannotRead;
  QStringList files;  // one entry per imported picture, in document order; a
                      // picture shown twice is one file listed twice
  int unreadable = 0; // pictures in a format that cannot be decoded (EMF, WMF, ...)
  int linked = 0;     // pictures that only link to a file outside the document
  QString message;    // for the user; empty when everything went well
};

// Writes every distinct inline picture of the document once, with its own
// bytes, as folder/stamp + k + ".jpg" (stamp: the moment of writing as
// yyyyMMddHHmmss, k the picture's position from 1 in document order; "_2",
// "_3", ... are added when another import took that name), and returns the
// list entries. Later steps read the files by content, whatever the name
// says. Blocking; may take seconds for a .doc, so the window runs it off its
// thread.
WordImportResult ImportWordPictures(const QString &documentPath, const QString &folder,
                                    const WordImportLimits &limits = WordImportLimits());

// Whether kuvo-batch and the window treat a path as a Word document.
bool isWordDocument(const QString &path);

} // namespace kuvo
