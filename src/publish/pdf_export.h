#pragma once
// The PDF album of a run: a title page, one page per saved picture with its
// caption underneath, and a closing page with signature and date. A4 at 254
// dots per inch with no margins, so one unit is 0.1 mm on the page.
#include "engine/processing_settings.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace kuvo {

// The rectangles on the page, in 0.1 mm from the top-left corner.
inline constexpr int PdfFrameLeft = 30, PdfFrameTop = 40, PdfFrameRight = 2080, PdfFrameBottom = 2800;
inline constexpr int PdfDateBottom = 3150;
inline constexpr int PdfTitlePoints = 30, PdfTextPoints = 16;
// A caption may use the page below the picture down to this margin, in
// sizes from PdfTextPoints down to PdfCaptionMinPoints.
inline constexpr int PdfBottomMargin = 20, PdfCaptionMinPoints = 6;

// The font family of every text: "黑体", with the font that stands in for
// it named as a fallback in case no substitution is installed.
QStringList pdfFontFamilies();

// title + ".pdf", characters a file name cannot hold replaced by "_" and the
// name kept short enough for every file system.
QString pdfFileName(const QString &title);

// "yyyy年MM月dd日"
QString pdfDateText(const QDate &date);

struct PdfResult {
  bool ok = false;
  QString path;         // the document, when written
  QString errorMessage; // why it was not written
  int pictures = 0;     // picture pages in the document
  QStringList skipped;  // saved pictures that could not be read back
};

// Builds the album of the pictures in outputPaths (per list index; empty
// entries are pictures that were not saved and are left out) with the
// captions of their list indexes, and writes it as outputFolder/pdfFileName.
// An older file of that name is replaced only when the new one is complete.
PdfResult MakePdf(const ProcessingSettings &settings, const QStringList &outputPaths);

} // namespace kuvo
