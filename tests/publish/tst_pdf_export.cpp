// The PDF album, read back with poppler-utils.
#include "publish/pdf_export.h"

#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

using namespace kuvo;

namespace {

QString run(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0)
    return QStringLiteral("<%1 failed: %2>").arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
  return QString::fromUtf8(p.readAllStandardOutput());
}

int pageCount(const QString &pdf) {
  const QString info = run(QStringLiteral("pdfinfo"), {pdf});
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pageText(const QString &pdf, int page) {
  return run(QStringLiteral("pdftotext"),
             {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
              QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")})
      .simplified();
}

int imageCount(const QString &pdf) {
  const QStringList lines =
      run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  return lines.size() >= 2 ? static_cast<int>(lines.size()) - 2 : -1; // two header lines
}

// The top of the first word on a page, in PDF points from the top.
double firstWordTop(const QString &pdf, int page, const QString &word) {
  const QString html =
      run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
                                        QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
  const QRegularExpression re(QStringLiteral("yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
  for (auto it = re.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(2).contains(word))
      return m.captured(1).toDouble();
  }
  return -1;
}

QString makePicture(const QString &path, QSize size, QColor color) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(color);
  return image.save(path, "JPEG", 90) ? path : QString();
}

constexpr double MmToPt = 72.0 / 25.4;

} // namespace

class TestPdfExport : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void fileNames_data();
  void fileNames();
  void albumLeavesOutFailedPictures();
  void stoppedRun_data();
  void stoppedRun();
  void pictureFitsItsFrame();
  void longCaptionStaysOnPage_data();
  void longCaptionStaysOnPage();
  void unwritableFolderReportsError();
  void worksOffTheWindowThread();
  void sourceDateEpochFixesTheDates_data();
  void sourceDateEpochFixesTheDates();

private:
  QTemporaryDir dir_;
  QStringList pictures_;
};

void TestPdfExport::initTestCase() {
  if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
    QSKIP("poppler-utils not installed");
  const QColor colors[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta, Qt::gray};
  for (int i = 0; i < 7; ++i)
    pictures_ << makePicture(dir_.filePath(QStringLiteral("p%1.jpg").arg(i)), {400 + 50 * i, 300}, colors[i]);
}

void TestPdfExport::fileNames_data() {
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("name");
  QTest::newRow("default") << "Kuvo图片集"
                           << "Kuvo图片集.pdf";
  QTest::newRow("unsafe") << "a/b\\c:d*e?f\"g<h>i|j"
                          << "a_b_c_d_e_f_g_h_i_j.pdf";
  QTest::newRow("control") << "x\ty\nz"
                           << "x_y_z.pdf";
  QTest::newRow("trailing dots") << "album. . "
                                 << "album.pdf";
  QTest::newRow("empty") << "  "
                         << "_.pdf";
  QTest::newRow("dot dot") << ".."
                           << "_.pdf";
  QTest::newRow("hidden") << ".secret"
                          << "_.secret.pdf";
  QTest::newRow("long") << QString(200, QChar(0x56FE)) << QString(80, QChar(0x56FE)) + ".pdf";
}

void TestPdfExport::fileNames() {
  QFETCH(QString, title);
  QTEST(pdfFileName(title), "name");
}

void TestPdfExport::albumLeavesOutFailedPictures() {
  ProcessingSettings s;
  s.outputFolder = dir_.filePath(QStringLiteral("album"));
  QDir().mkpath(s.outputFolder);
  s.pdfTitle = QStringLiteral("海边/相册");
  s.pdfSignature = QStringLiteral("小明制作");
  s.pdfDate = QStringLiteral("2024年03月07日");
  s.descriptions = {QStringLiteral("第一张"), QString(),
                    QStringLiteral("没保存"), QStringLiteral("第四张"),
                    QStringLiteral("坏文件"), QStringLiteral("最后一张")};
  const QString broken = dir_.filePath(QStringLiteral("broken.jpg"));
  {
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
  }
  // Index 2 was not saved, index 4 cannot be read back: both are left out
  // and the pictures after them still come.
  const QStringList outputs{pictures_[0], pictures_[1], QString(), pictures_[3], broken, pictures_[5]};
  const PdfResult r = MakePdf(s, outputs);
  QVERIFY2(r.ok, qPrintable(r.errorMessage));
  QCOMPARE(r.path, s.outputFolder + QStringLiteral("/海边_相册.pdf"));
  QCOMPARE(r.pictures, 4);
  QCOMPARE(r.skipped, QStringList{broken});
  QCOMPARE(pageCount(r.path), 6);
  QCOMPARE(imageCount(r.path), 4);
  QCOMPARE(pageText(r.path, 1), QStringLiteral("海边/相册"));
  QCOMPARE(pageText(r.path, 2), QStringLiteral("第一张"));
  QCOMPARE(pageText(r.path, 3), QString());
  QCOMPARE(pageText(r.path, 4), QStringLiteral("第四张"));
  QCOMPARE(pageText(r.path, 5), QStringLiteral("最后一张"));
  QCOMPARE(pageText(r.path, 6), QStringLiteral("小明制作 2024年03月07日"));
  // Caption strip at 280 mm; the date sits below the signature.
  QVERIFY(qAbs(firstWordTop(r.path, 2, QStringLiteral("第一张")) - 280 * MmToPt) < 3);
  QVERIFY(firstWordTop(r.path, 6, QStringLiteral("2024")) > firstWordTop(r.path, 6, QStringLiteral("小明")) + 10);
  // The CJK font is embedded, so the text is searchable on any reader.
  const QString fonts = run(QStringLiteral("pdffonts"), {r.path});
  QVERIFY2(fonts.contains(QStringLiteral("WenQuanYi")) && fonts.contains(QStringLiteral(" yes ")), qPrintable(fonts));
}

void TestPdfExport::stoppedRun_data() {
  QTest::addColumn<int>("saved");
  QTest::newRow("nothing saved") << 0;
  QTest::newRow("stopped after picture 4") << 5;
  QTest::newRow("all seven") << 7;
}

void TestPdfExport::stoppedRun() {
  QFETCH(int, saved);
  ProcessingSettings s;
  s.outputFolder = dir_.filePath(QStringLiteral("stop%1").arg(saved));
  QDir().mkpath(s.outputFolder);
  QStringList outputs(7, QString());
  for (int i = 0; i < saved; ++i)
    outputs[i] = pictures_[i];
  const PdfResult r = MakePdf(s, outputs);
  QVERIFY2(r.ok, qPrintable(r.errorMessage));
  QCOMPARE(r.path, s.outputFolder + QStringLiteral("/Kuvo图片集.pdf"));
  QCOMPARE(pageCount(r.path), saved + 2);
  QCOMPARE(imageCount(r.path), saved);
  QCOMPARE(pageText(r.path, 1), QStringLiteral("Kuvo图片集"));
  // Default texts, with today's date.
  QCOMPARE(pageText(r.path, saved + 2),
           QStringLiteral("本图片集由Kuvo图片批处理软件制作 ") + pdfDateText(QDate::currentDate()));
}

void TestPdfExport::pictureFitsItsFrame() {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
    QSKIP("pdftoppm not installed");
  ProcessingSettings s;
  s.outputFolder = dir_.filePath(QStringLiteral("fit"));
  QDir().mkpath(s.outputFolder);
  const QString wide = makePicture(dir_.filePath(QStringLiteral("wide.jpg")), {1000, 500}, Qt::red);
  const QString tall = makePicture(dir_.filePath(QStringLiteral("tall.jpg")), {100, 400}, Qt::blue);
  const PdfResult r = MakePdf(s, {wide, tall});
  QVERIFY(r.ok);
  // 1 pixel = 1 mm at 25.4 dpi.
  const QString prefix = dir_.filePath(QStringLiteral("fit/page"));
  run(QStringLiteral("pdftoppm"),
      {QStringLiteral("-r"), QStringLiteral("25.4"), QStringLiteral("-png"), r.path, prefix});
  const QImage widePage(prefix + QStringLiteral("-2.png"));
  const QImage tallPage(prefix + QStringLiteral("-3.png"));
  QVERIFY(!widePage.isNull() && !tallPage.isNull());
  auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; };
  auto isBlue = [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; };
  auto isWhite = [](QRgb c) { return qRed(c) > 240 && qGreen(c) < 256 && qGreen(c) > 240 && qBlue(c) > 240; };
  // Wide: the frame's full width (3-208 mm), 102.5 mm high, centred on 142 mm.
  QVERIFY(isRed(widePage.pixel(5, 142)));
  QVERIFY(isRed(widePage.pixel(205, 142)));
  QVERIFY(isRed(widePage.pixel(105, 94)));
  QVERIFY(isRed(widePage.pixel(105, 190)));
  QVERIFY(isWhite(widePage.pixel(105, 85)));
  QVERIFY(isWhite(widePage.pixel(105, 200)));
  // Tall: the frame's full height (4-280 mm), 69 mm wide, centred on 105.5 mm.
  QVERIFY(isBlue(tallPage.pixel(105, 6)));
  QVERIFY(isBlue(tallPage.pixel(105, 277)));
  QVERIFY(isBlue(tallPage.pixel(73, 142)));
  QVERIFY(isBlue(tallPage.pixel(138, 142)));
  QVERIFY(isWhite(tallPage.pixel(65, 142)));
  QVERIFY(isWhite(tallPage.pixel(146, 142)));
}

void TestPdfExport::longCaptionStaysOnPage_data() {
  QTest::addColumn<QString>("caption");
  QTest::newRow("many lines") << QString(QStringLiteral("海边的日落与归来的渔船，")).repeated(40);
  QTest::newRow("one long word") << QString(QLatin1Char('x')).repeated(600);
}

void TestPdfExport::longCaptionStaysOnPage() {
  QFETCH(QString, caption);
  ProcessingSettings s;
  s.outputFolder = dir_.filePath(QStringLiteral("caption-%1").arg(QTest::currentDataTag()));
  QDir().mkpath(s.outputFolder);
  s.descriptions = {caption};
  const PdfResult r = MakePdf(s, {pictures_[0]});
  QVERIFY2(r.ok, qPrintable(r.errorMessage));
  // All of it is on the page, below the picture and above the page's edge.
  QString text = pageText(r.path, 2);
  text.remove(QLatin1Char(' '));
  QCOMPARE(text, caption);
  const QString boxes =
      run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("2"),
                                        QStringLiteral("-l"), QStringLiteral("2"), r.path, QStringLiteral("-")});
  int words = 0;
  const QRegularExpression re(QStringLiteral("yMin=\"([0-9.]+)\"[^>]*yMax=\"([0-9.]+)\""));
  for (auto it = re.globalMatch(boxes); it.hasNext(); ++words) {
    const auto m = it.next();
    QVERIFY2(m.captured(1).toDouble() >= 279 * MmToPt, qPrintable(m.captured(0)));
    QVERIFY2(m.captured(2).toDouble() <= 297 * MmToPt, qPrintable(m.captured(0)));
  }
  QVERIFY(words > 0);
}

void TestPdfExport::unwritableFolderReportsError() {
  ProcessingSettings s;
  s.outputFolder = dir_.filePath(QStringLiteral("no/such/folder"));
  const PdfResult r = MakePdf(s, {pictures_[0]});
  QVERIFY(!r.ok);
  QVERIFY(r.path.isEmpty());
  QVERIFY(r.errorMessage.contains(QStringLiteral("Kuvo图片集.pdf")));
}

// The window runs the batch, and so the PDF step, on a worker thread.
void TestPdfExport::worksOffTheWindowThread() {
  ProcessingSettings s;
  s.outputFolder = dir_.filePath(QStringLiteral("thread"));
  QDir().mkpath(s.outputFolder);
  s.descriptions = {QStringLiteral("线程")};
  const PdfResult r = QtConcurrent::run([&] { return MakePdf(s, {pictures_[0]}); }).result();
  QVERIFY2(r.ok, qPrintable(r.errorMessage));
  QCOMPARE(pageCount(r.path), 3);
  QCOMPARE(pageText(r.path, 2), QStringLiteral("线程"));
}

void TestPdfExport::sourceDateEpochFixesTheDates_data() {
  QTest::addColumn<QByteArray>("epoch");
  QTest::addColumn<bool>("fixed");
  QTest::newRow("2026-01-01") << QByteArray("1767225600") << true;
  QTest::newRow("not a number") << QByteArray("soon") << false;
  QTest::newRow("negative") << QByteArray("-5") << false;
}

// Two albums of one job written a second apart are the same bytes when the
// time is fixed, and the document still reads as a valid PDF with that date.
void TestPdfExport::sourceDateEpochFixesTheDates() {
  QFETCH(QByteArray, epoch);
  QFETCH(bool, fixed);
  qputenv("SOURCE_DATE_EPOCH", epoch);
  const auto cleanup = qScopeGuard([] { qunsetenv("SOURCE_DATE_EPOCH"); });
  ProcessingSettings s;
  s.pdfSignature = QStringLiteral("签名");
  QByteArray bytes[2];
  for (int k = 0; k < 2; ++k) {
    s.outputFolder = dir_.filePath(QStringLiteral("epoch-%1-%2").arg(QTest::currentDataTag()).arg(k));
    QDir().mkpath(s.outputFolder);
    const PdfResult r = MakePdf(s, {pictures_[0], pictures_[1]});
    QVERIFY2(r.ok, qPrintable(r.errorMessage));
    QFile f(r.path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    bytes[k] = f.readAll();
    if (k == 0 && fixed) {
      QVERIFY(run(QStringLiteral("pdfinfo"), {r.path}).contains(QStringLiteral("Thu Jan  1 00:00:00 2026 UTC")));
      QCOMPARE(pageText(r.path, 4), QStringLiteral("签名 2026年01月01日"));
      QThread::sleep(1); // the clock would now stamp another second
    }
  }
  if (fixed)
    QCOMPARE(bytes[0], bytes[1]);
  else
    QCOMPARE(pageText(s.outputFolder + QStringLiteral("/Kuvo图片集.pdf"), 4),
             QStringLiteral("签名 ") + pdfDateText(QDate::currentDate()));
}

QTEST_MAIN(TestPdfExport)
#include "tst_pdf_export.moc"
