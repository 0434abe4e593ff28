// Pictures from Word documents built by the test (and one converted by
// LibreOffice when it is installed).
#include "publish/word_pictures.h"

#include <QImageReader>
#include <QtTest>
#include "docx_builder.h"

using namespace kuvo;

namespace {

QColor centreColor(const QString &path) {
  const QImage image(path);
  return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

bool near(QColor a, QColor b) {
  return qAbs(a.red() - b.red()) < 20 && qAbs(a.green() - b.green()) < 20 && qAbs(a.blue() - b.blue()) < 20;
}

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestWordPictures : public QObject {
  Q_OBJECT
private slots:
  void picturesInDocumentOrder();
  void namesNeverTaken();
  void limits();
  void documents_data();
  void documents();
  void unwritableFolderAddsNothing();
  void docWithoutLibreOffice();
  void docConvertedByLibreOffice();

private:
  QTemporaryDir dir_;
};

void TestWordPictures::picturesInDocumentOrder() {
  const QString docx = dir_.filePath(QStringLiteral("mixed.docx"));
  // rId1 red, rId2 green, rId3 blue, rId4 yellow, rId5 magenta.
  const QString body = inlinePicture(QStringLiteral("rId1")) + floatingPicture(QStringLiteral("rId2")) +
                       alternatePicture(QStringLiteral("rId3")) + vmlPicture(QStringLiteral("rId4"), false) +
                       vmlPicture(QStringLiteral("rId5"), true) + inlinePicture(QStringLiteral("rIdLink")) +
                       inlinePicture(QStringLiteral("rId1"));
  const QList<QPair<QString, QByteArray>> media{{QStringLiteral("image1.png"), png(Qt::red)},
                                                {QStringLiteral("image2.png"), png(Qt::green)},
                                                {QStringLiteral("image3.png"), png(Qt::blue)},
                                                {QStringLiteral("image4.png"), png(Qt::yellow)},
                                                {QStringLiteral("image5.png"), png(Qt::magenta)}};
  QVERIFY(writeDocx(docx, body, media));
  // The reader of a document held in memory finds the same parts.
  QFile file(docx);
  QVERIFY(file.open(QIODevice::ReadOnly));
  DocxPictures fromPath, fromMemory;
  QString pathError, memoryError;
  QVERIFY(readDocxPictures(docx, fromPath, pathError));
  QVERIFY2(readDocxPicturesFromMemory(file.readAll(), fromMemory, memoryError), qPrintable(memoryError));
  const QStringList parts{QStringLiteral("word/media/image1.png"), QStringLiteral("word/media/image3.png"),
                          QStringLiteral("word/media/image4.png"), QStringLiteral("word/media/image1.png")};
  QCOMPARE(fromPath.parts, parts);
  QCOMPARE(fromMemory.parts, parts);
  QCOMPARE(fromPath.linked, 1);
  QVERIFY(!readDocxPicturesFromMemory(QByteArray("PK\x03\x04 not really"), fromMemory, memoryError));
  QVERIFY(!memoryError.isEmpty());

  const QString out = dir_.filePath(QStringLiteral("user"));
  const QString before = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
  const WordImportResult r = ImportWordPictures(docx, out);
  const QString after = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
  QCOMPARE(int(r.status), int(WordImportStatus::Ok));
  QCOMPARE(r.message, QString());
  QCOMPARE(r.linked, 1);
  // Floating pictures, the mc:Fallback copy and the linked picture are not
  // taken; the picture shown twice is one file listed twice.
  QCOMPARE(r.files.size(), 4);
  QCOMPARE(r.files[3], r.files[0]);
  QCOMPARE(QDir(out).entryList(QDir::Files).size(), 3);
  const int mediaIndex[] = {0, 2, 3};
  for (int k = 0; k < 3; ++k) {
    const QFileInfo info(r.files[k]);
    QCOMPARE(info.absolutePath(), QFileInfo(out).absoluteFilePath());
    const QString stamp = info.fileName().left(14);
    QVERIFY2(stamp >= before && stamp <= after, qPrintable(info.fileName()));
    QCOMPARE(info.fileName().mid(14), QString::number(k + 1) + QStringLiteral(".jpg"));
    // The picture's own bytes, not a re-encoding.
    QCOMPARE(readFile(r.files[k]), media[mediaIndex[k]].second);
  }
}

void TestWordPictures::namesNeverTaken() {
  const QString docx = dir_.filePath(QStringLiteral("twice.docx"));
  QVERIFY(writeDocx(docx, inlinePicture(QStringLiteral("rId1")), {{QStringLiteral("image1.png"), png(Qt::red)}}));
  const QString out = dir_.filePath(QStringLiteral("taken"));
  QVERIFY(QDir().mkpath(out));
  // Another import's files for this second and the next ones.
  const QDateTime now = QDateTime::currentDateTime();
  QStringList others;
  for (int s = 0; s < 4; ++s) {
    others << out + QLatin1Char('/') + now.addSecs(s).toString(QStringLiteral("yyyyMMddHHmmss")) +
                  QStringLiteral("1.jpg");
    QFile f(others.last());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("another import");
  }
  const WordImportResult first = ImportWordPictures(docx, out);
  const WordImportResult second = ImportWordPictures(docx, out);
  QCOMPARE(first.files.size(), 1);
  QCOMPARE(second.files.size(), 1);
  QVERIFY(first.files[0] != second.files[0]);
  QVERIFY2(first.files[0].endsWith(QStringLiteral("1_2.jpg")), qPrintable(first.files[0]));
  for (const QString &other : others)
    QCOMPARE(readFile(other), QByteArray("another import"));
  QCOMPARE(readFile(first.files[0]), readFile(second.files[0]));
}

void TestWordPictures::limits() {
  // 1 200 references to one picture, then three distinct pictures of 30 KB.
  const QString many = dir_.filePath(QStringLiteral("many.docx"));
  QString body;
  for (int i = 0; i < 1200; ++i)
    body += inlinePicture(QStringLiteral("rId1"));
  QVERIFY(writeDocx(many, body, {{QStringLiteral("image1.png"), png(Qt::red)}}));
  const QString out = dir_.filePath(QStringLiteral("many"));
  const WordImportResult r = ImportWordPictures(many, out);
  QCOMPARE(r.files.size(), 1000);
  QCOMPARE(QDir(out).entryList(QDir::Files).size(), 1);
  QVERIFY2(r.message.contains(QStringLiteral("只导入了前1000张")), qPrintable(r.message));

  const QString big = dir_.filePath(QStringLiteral("big.docx"));
  QList<QPair<QString, QByteArray>> media;
  QString bigBody;
  for (int i = 0; i < 3; ++i) {
    QByteArray noise = png(Qt::blue, {100, 100});
    noise += QByteArray(30 * 1024, char('a' + i)); // bytes after IEND: still a PNG
    media.append({QStringLiteral("image%1.png").arg(i + 1), noise});
    bigBody += inlinePicture(QStringLiteral("rId%1").arg(i + 1));
  }
  QVERIFY(writeDocx(big, bigBody, media));
  WordImportLimits limits;
  limits.bytes = 70 * 1024;
  const WordImportResult capped = ImportWordPictures(big, dir_.filePath(QStringLiteral("big")), limits);
  QCOMPARE(int(capped.status), int(WordImportStatus::Ok));
  QCOMPARE(capped.files.size(), 2);
  QCOMPARE(QDir(dir_.filePath(QStringLiteral("big"))).entryList(QDir::Files).size(), 2);
  QVERIFY2(capped.message.contains(QStringLiteral("只导入了其中2张")), qPrintable(capped.message));
}

void TestWordPictures::documents_data() {
  QTest::addColumn<QString>("body");
  QTest::addColumn<bool>("valid");
  QTest::addColumn<int>("status");
  QTest::addColumn<int>("files");
  QTest::addColumn<QString>("message");
  QTest::newRow("text only") << "<w:r><w:t>你好</w:t></w:r>" << true << int(WordImportStatus::NoPictures) << 0
                             << QStringLiteral("这个文件里没有图片呢！");
  QTest::newRow("only floating") << floatingPicture(QStringLiteral("rId1")) + vmlPicture(QStringLiteral("rId1"), true)
                                 << true << int(WordImportStatus::NoPictures) << 0
                                 << QStringLiteral("这个文件里没有图片呢！");
  QTest::newRow("undecodable picture") << inlinePicture(QStringLiteral("rId2")) + inlinePicture(QStringLiteral("rId1"))
                                       << true << int(WordImportStatus::Ok) << 1
                                       << QStringLiteral("有1张图片无法导入(格式不受支持或无法写入)，其余图片已添加。");
  QTest::newRow("only undecodable") << inlinePicture(QStringLiteral("rId2")) << true
                                    << int(WordImportStatus::CannotRead) << 0
                                    << QStringLiteral("文档里的1张图片格式不受支持，无法导入。");
  QTest::newRow("not a zip") << QString() << false << int(WordImportStatus::CannotRead) << 0
                             << QStringLiteral("无法读取这个Word文档：这不是一个.docx文档(无法按压缩包打开)。");
}

void TestWordPictures::documents() {
  QFETCH(QString, body);
  QFETCH(bool, valid);
  const QString docx = dir_.filePath(QStringLiteral("%1.docx").arg(QTest::currentDataTag()));
  if (valid) {
    QVERIFY(writeDocx(docx, body,
                      {{QStringLiteral("image1.png"), png(QColor(10, 200, 30), {20, 20}, true)},
                       {QStringLiteral("image2.emf"), QByteArray("\x01\x00\x00\x00 not really emf", 20)}}));
  } else {
    QFile f(docx);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("plain text pretending to be a document");
  }
  const QString out = dir_.filePath(QStringLiteral("out-%1").arg(QTest::currentDataTag()));
  const WordImportResult r = ImportWordPictures(docx, out);
  QTEST(int(r.status), "status");
  QTEST(int(r.files.size()), "files");
  QTEST(r.message, "message");
  // Nothing but the listed files is written.
  QCOMPARE(QDir(out).entryList(QDir::Files).size(), r.files.size());
  for (const QString &f : r.files)
    QVERIFY(QImageReader(f).canRead());
}

void TestWordPictures::unwritableFolderAddsNothing() {
  const QString docx = dir_.filePath(QStringLiteral("one.docx"));
  QVERIFY(writeDocx(docx, inlinePicture(QStringLiteral("rId1")), {{QStringLiteral("image1.png"), png(Qt::red)}}));
  // A file where the folder should be: nothing can be written there.
  const QString blocker = dir_.filePath(QStringLiteral("blocker"));
  QFile f(blocker);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.close();
  const WordImportResult r = ImportWordPictures(docx, blocker + QStringLiteral("/user"));
  QCOMPARE(int(r.status), int(WordImportStatus::WriteFailed));
  QVERIFY(r.files.isEmpty());
  QVERIFY(!r.message.isEmpty());
}

void TestWordPictures::docWithoutLibreOffice() {
  if (!libreOfficeProgram().isEmpty())
    QSKIP("LibreOffice is installed; docConvertedByLibreOffice covers .doc");
  const QString doc = dir_.filePath(QStringLiteral("old.doc"));
  QFile f(doc);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0'));
  f.close();
  const WordImportResult r = ImportWordPictures(doc, dir_.filePath(QStringLiteral("out-doc")));
  QCOMPARE(int(r.status), int(WordImportStatus::NeedsLibreOffice));
  QVERIFY(r.message.contains(QStringLiteral("LibreOffice")));
  QVERIFY(r.files.isEmpty());

  // A .docx saved under a .doc name is still read directly.
  const QString disguised = dir_.filePath(QStringLiteral("disguised.doc"));
  QVERIFY(writeDocx(disguised, inlinePicture(QStringLiteral("rId1")), {{QStringLiteral("image1.png"), png(Qt::red)}}));
  QCOMPARE(ImportWordPictures(disguised, dir_.filePath(QStringLiteral("out-disguised"))).files.size(), 1);
}

void TestWordPictures::docConvertedByLibreOffice() {
  if (libreOfficeProgram().isEmpty())
    QSKIP("LibreOffice (soffice) is not installed");
  // Let LibreOffice turn a .docx of ours into a .doc, then import that.
  const QString docx = dir_.filePath(QStringLiteral("lo.docx"));
  QVERIFY(writeDocx(docx, inlinePicture(QStringLiteral("rId1")) + inlinePicture(QStringLiteral("rId2")),
                    {{QStringLiteral("image1.png"), png(Qt::red, {200, 150})},
                     {QStringLiteral("image2.png"), png(Qt::blue, {200, 150})}}));
  QTemporaryDir profile;
  QProcess p;
  p.start(libreOfficeProgram(),
          {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
           QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("doc"),
           QStringLiteral("--outdir"), dir_.filePath(QStringLiteral("lo")), docx});
  QVERIFY(p.waitForFinished(180000));
  const QString doc = dir_.filePath(QStringLiteral("lo/lo.doc"));
  if (!QFileInfo::exists(doc))
    QSKIP("LibreOffice could not write a .doc here");
  const WordImportResult r = ImportWordPictures(doc, dir_.filePath(QStringLiteral("out-lo")));
  QCOMPARE(int(r.status), int(WordImportStatus::Ok));
  QCOMPARE(r.files.size(), 2);
  QVERIFY(near(centreColor(r.files[0]), Qt::red));
  QVERIFY(near(centreColor(r.files[1]), Qt::blue));
}

QTEST_GUILESS_MAIN(TestWordPictures)
#include "tst_word_pictures.moc"
