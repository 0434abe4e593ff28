#include "publish/pdf_export.h"

#include "publish/output_time.h"
#include "publish/pdf_creation_date.h"

#include <QDir>
#include <QFont>
#include <QImageReader>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <optional>

namespace kuvo {

QStringList pdfFontFamilies() {
  return {QStringLiteral("黑体"), QStringLiteral("WenQuanYi Zen Hei")};
}

QString pdfFileName(const QString &title) {
  QString name;
  for (const QChar c : title.trimmed()) {
    const bool bad = c.unicode() < 0x20 || c == QChar(0x7F) || QStringLiteral("\\/:*?\"<>|").contains(c);
    name += bad ? QChar(QLatin1Char('_')) : c;
  }
  // Windows drops trailing dots and spaces; a hidden or empty name helps nobody.
  while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
    name.chop(1);
  if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
    name.prepend(QLatin1Char('_'));
  // 255 bytes is the usual limit of one name; CJK takes three bytes in UTF-8.
  while (name.toUtf8().size() > 240)
    name.chop(1);
  return name + QStringLiteral(".pdf");
}

QString pdfDateText(const QDate &date) {
  return date.toString(QStringLiteral("yyyy年MM月dd日"));
}

namespace {

QRectF frame(int left, int top, int right, int bottom) {
  return QRectF(left, top, right - left, bottom - top);
}

// Text centred in its rectangle. A rectangle lower than one line (the
// caption strip) grows downwards so the text starts at its top instead of
// spilling over the picture above it.
void drawBoxText(QPainter &painter, QRectF box, const QString &text) {
  if (text.isEmpty())
    return;
  const int flags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap;
  const QRectF needed = painter.boundingRect(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
  if (needed.height() > box.height())
    box.setHeight(needed.height());
  painter.drawText(box, flags, text);
}

// The caption under a picture: wrapped within the page from the strip's top
// down to the bottom margin, its font made smaller until the whole text fits
// (a long word without spaces breaks anywhere). Only what still does not fit
// at the smallest size is cut off.
void drawCaption(QPainter &painter, const QRectF &area, const QString &text) {
  if (text.isEmpty())
    return;
  const QFont original = painter.font();
  QFont font = original;
  int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
  for (int points = original.pointSize(); points >= PdfCaptionMinPoints; --points) {
    font.setPointSize(points);
    painter.setFont(font);
    flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    QRectF needed = painter.boundingRect(area, flags, text);
    if (needed.width() > area.width()) {
      flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere;
      needed = painter.boundingRect(area, flags, text);
    }
    if (needed.height() <= area.height())
      break;
  }
  painter.save();
  painter.setClipRect(area);
  painter.drawText(area, flags, text);
  painter.restore();
  painter.setFont(original);
}

QImage readPicture(const QString &path, const QSize &limit) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  QImage image = reader.read();
  if (image.isNull())
    return image;
  // More pixels than the frame holds at this resolution only bloat the file.
  if (image.width() > limit.width() || image.height() > limit.height())
    image = image.scaled(limit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

} // namespace

PdfResult MakePdf(const ProcessingSettings &settings, const QStringList &outputPaths) {
  PdfResult result;
  const QString path = QDir(settings.outputFolder).filePath(pdfFileName(settings.pdfTitle));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    result.errorMessage =
        QStringLiteral("无法创建PDF文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    return result;
  }

  // With SOURCE_DATE_EPOCH the document records that time, not the clock's.
  const std::optional<QDateTime> fixedTime = sourceDateEpoch();
  std::optional<PdfCreationDate> dated;
  if (fixedTime)
    dated.emplace(file, *fixedTime);
  QIODevice *device = dated ? static_cast<QIODevice *>(&*dated) : &file;
  QPdfWriter writer(device);
  writer.setResolution(254);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  writer.setTitle(settings.pdfTitle);
  writer.setCreator(QStringLiteral("Kuvo图片批处理"));

  QPainter painter;
  if (!painter.begin(&writer)) {
    file.cancelWriting();
    result.errorMessage = QStringLiteral("无法开始写PDF文件“%1”。").arg(QDir::toNativeSeparators(path));
    return result;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  QFont font;
  font.setFamilies(pdfFontFamilies());
  font.setBold(true);
  font.setPointSize(PdfTitlePoints);
  painter.setFont(font);

  const QRectF pictureFrame = frame(PdfFrameLeft, PdfFrameTop, PdfFrameRight, PdfFrameBottom);
  drawBoxText(painter, pictureFrame, settings.pdfTitle);

  font.setPointSize(PdfTextPoints);
  painter.setFont(font);
  const QSize limit = pictureFrame.size().toSize();
  for (int k = 0; k < outputPaths.size(); ++k) {
    if (outputPaths[k].isEmpty())
      continue; // not saved in this run: left out, the rest goes on
    const QImage image = readPicture(outputPaths[k], limit);
    if (image.isNull()) {
      result.skipped << outputPaths[k];
      continue;
    }
    if (!writer.newPage()) {
      result.errorMessage = QStringLiteral("无法在PDF文件中添加新页。");
      break;
    }
    QSizeF size = QSizeF(image.size()).scaled(pictureFrame.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(0, 0), size);
    target.moveCenter(pictureFrame.center());
    painter.drawImage(target, image);
    drawCaption(painter, frame(PdfFrameLeft, PdfFrameBottom, PdfFrameRight, writer.height() - PdfBottomMargin),
                settings.description(k));
    ++result.pictures;
  }

  if (result.errorMessage.isEmpty() && writer.newPage()) {
    drawBoxText(painter, pictureFrame, settings.pdfSignature);
    const QString date = settings.pdfDate.isEmpty() ? pdfDateText(outputTime().date()) : settings.pdfDate;
    drawBoxText(painter, frame(PdfFrameLeft, PdfFrameTop, PdfFrameRight, PdfDateBottom), date);
  } else if (result.errorMessage.isEmpty()) {
    result.errorMessage = QStringLiteral("无法在PDF文件中添加新页。");
  }
  painter.end();
  if (dated && !dated->finish() && result.errorMessage.isEmpty())
    result.errorMessage = QStringLiteral("无法写入PDF文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString());
  if (!result.errorMessage.isEmpty()) {
    file.cancelWriting();
    return result;
  }
  if (!file.commit()) {
    result.errorMessage =
        QStringLiteral("无法保存PDF文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    return result;
  }
  result.ok = true;
  result.path = path;
  return result;
}

} // namespace kuvo
