// Output names, extensions and saver choice.
#include "engine/output_naming.h"
#include "engine/picture_files.h"
#include "engine/savers.h"

#include <QtTest>

using namespace kuvo;

class TestOutputNaming : public QObject {
  Q_OBJECT
private slots:
  void name_data();
  void name();
  void extension_data();
  void extension();
  void prefixStamps();
  void acceptedPictures_data();
  void acceptedPictures();
  void unsafeNamesAreNotWritten_data();
  void unsafeNamesAreNotWritten();
};

void TestOutputNaming::name_data() {
  QTest::addColumn<bool>("rename");
  QTest::addColumn<QString>("prefix");
  QTest::addColumn<QString>("width");
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("source");
  QTest::addColumn<QString>("expected");
  const QString src = QStringLiteral("/相册/a.b.jpg");
  QTest::newRow("source name cut at last dot") << false << "Kuvo_" << "4" << 0 << src << "a.b";
  QTest::newRow("no dot") << false << "Kuvo_" << "4" << 0 << "/x/README" << "README";
  QTest::newRow("upper-case source") << false << "" << "4" << 0 << "/x/IMG.1.PNG" << "IMG.1";
  QTest::newRow("counter padded") << true << "Kuvo_" << "4" << 2 << src << "Kuvo_0002";
  QTest::newRow("first entry is 0") << true << "Kuvo_" << "4" << 0 << src << "Kuvo_0000";
  QTest::newRow("never cut") << true << "Kuvo_" << "3" << 1234 << src << "Kuvo_1234";
  QTest::newRow("width 0") << true << "Kuvo_" << "0" << 7 << src << "Kuvo_7";
  QTest::newRow("width not a number") << true << "Kuvo_" << "abc" << 7 << src << "Kuvo_7";
  QTest::newRow("no prefix") << true << "" << "4" << 1 << src << "0001";
}

void TestOutputNaming::name() {
  QFETCH(bool, rename);
  QFETCH(QString, prefix);
  QFETCH(QString, width);
  QFETCH(int, index);
  QFETCH(QString, source);
  QFETCH(QString, expected);
  ProcessingSettings s;
  s.rename = rename;
  s.prefix = prefix;
  s.counterWidth = width;
  s.files = QStringList(index + 1, source);
  QCOMPARE(OutputName(s, index), expected);
}

void TestOutputNaming::extension_data() {
  QTest::addColumn<QString>("format");
  QTest::addColumn<QString>("source");
  QTest::addColumn<QString>("extension");
  QTest::addColumn<QString>("encoder");
  QTest::addColumn<bool>("bmp");
  QTest::newRow("jpg") << "jpg" << "/p/a.png" << "jpg" << "jpg" << false;
  QTest::newRow("tiff") << "tiff" << "/p/a.png" << "tiff" << "tiff" << false;
  QTest::newRow("bmp format") << "bmp" << "/p/a.png" << "bmp" << "bmp" << true;
  QTest::newRow("original keeps case") << "原格式" << "/p/a.JPG" << "JPG" << "jpg" << false;
  QTest::newRow("original jpeg written as JPEG") << "原格式" << "/p/b.jpeg" << "jpeg" << "jpg" << false;
  QTest::newRow("original JPE") << "原格式" << "/p/b.JPE" << "JPE" << "jpg" << false;
  QTest::newRow("original tif written as TIFF") << "原格式" << "/p/scan.TIF" << "TIF" << "tiff" << false;
  QTest::newRow("original heic becomes jpg") << "原格式" << "/p/IMG_1.HEIC" << "jpg" << "jpg" << false;
  QTest::newRow("original avif becomes jpg") << "原格式" << "/p/a.avif" << "jpg" << "jpg" << false;
  QTest::newRow("original bmp goes to the BMP saver") << "原格式" << "/p/c.BMP" << "bmp" << "bmp" << true;
  QTest::newRow("original gif") << "原格式" << "/p/photo.GIF" << "GIF" << "gif" << false;
}

void TestOutputNaming::extension() {
  QFETCH(QString, format);
  QFETCH(QString, source);
  QFETCH(QString, extension);
  QFETCH(QString, encoder);
  QFETCH(bool, bmp);
  ProcessingSettings s;
  s.outputFormat = format;
  bool usesBmp = !bmp;
  QString usesEncoder;
  QCOMPARE(outputExtensionFor(s, source, &usesBmp, &usesEncoder), extension);
  QCOMPARE(usesEncoder, encoder);
  QCOMPARE(usesBmp, bmp);
}

void TestOutputNaming::prefixStamps() {
  const QDateTime t(QDate(2013, 11, 22), QTime(9, 30, 15));
  QCOMPARE(prefixFor(PrefixStamp::Date, t), QStringLiteral("20131122_"));
  QCOMPARE(prefixFor(PrefixStamp::Time, t), QStringLiteral("093015_"));
  QCOMPARE(prefixFor(PrefixStamp::DateTime, t), QStringLiteral("20131122093015_"));
  QCOMPARE(prefixFor(PrefixStamp::None, t), QString());
  const QDateTime evening(QDate(2013, 11, 22), QTime(21, 5, 0));
  QCOMPARE(prefixFor(PrefixStamp::Time, evening), QStringLiteral("210500_")); // 24-hour clock
}

void TestOutputNaming::acceptedPictures_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<bool>("accepted");
  QTest::newRow("jpg") << "a.jpg" << true;
  QTest::newRow("JPG") << "a.JPG" << true;
  QTest::newRow("png") << "a.Png" << true;
  QTest::newRow("gif") << "a.gif" << true;
  QTest::newRow("bmp") << "a.bmp" << true;
  QTest::newRow("tiff") << "a.TIFF" << true;
  QTest::newRow("jpeg") << "a.jpeg" << true;
  QTest::newRow("JPE") << "a.JPE" << true;
  QTest::newRow("tif") << "a.tif" << true;
  QTest::newRow("webp") << "a.WebP" << true;
  QTest::newRow("heic") << "IMG_0001.HEIC" << true;
  QTest::newRow("heif") << "a.heif" << true;
  QTest::newRow("avif") << "a.avif" << true;
  QTest::newRow("only the name counts") << "xjpg" << true;
  QTest::newRow("extension of a folder is not the file's") << "/a.heic/readme" << false;
  QTest::newRow("new extensions need the dot") << "xheic" << false;
  QTest::newRow("text") << "a.txt" << false;
}

void TestOutputNaming::acceptedPictures() {
  QFETCH(QString, path);
  QFETCH(bool, accepted);
  QCOMPARE(isAcceptedPicture(path), accepted);
}

void TestOutputNaming::unsafeNamesAreNotWritten_data() {
  QTest::addColumn<QString>("prefix");
  QTest::newRow("slash") << "../escape_";
  QTest::newRow("subfolder") << "sub/x_";
  QTest::newRow("backslash") << "a\\b";
  QTest::newRow("longer than a file name may be") << QString(300, QLatin1Char('x'));
}

// A prefix that would write outside the output folder, or a name no file
// system takes, fails with one save error and writes nothing anywhere.
void TestOutputNaming::unsafeNamesAreNotWritten() {
  QFETCH(QString, prefix);
  QTemporaryDir dir;
  QDir(dir.path()).mkpath(QStringLiteral("out/sub"));
  ProcessingSettings s;
  s.files = {QStringLiteral("/p/a.png")};
  s.outputFolder = dir.filePath(QStringLiteral("out"));
  s.rename = true;
  s.prefix = prefix;
  QImage canvas(10, 10, QImage::Format_RGB32);
  canvas.fill(Qt::red);
  const EncodedPicture picture = encodePicture(s, 0, canvas);
  QString errors;
  QVERIFY(!writeEncodedPicture(picture, s.files[0], errors));
  QVERIFY2(errors.startsWith(QStringLiteral("/p/a.png在保存时发生错误:")) && errors.endsWith(QStringLiteral(".\r\n")) &&
               errors.count(QStringLiteral("\r\n")) == 1,
           qPrintable(errors));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);
  QCOMPARE(QDir(dir.filePath(QStringLiteral("out/sub"))).entryList(QDir::Files).size(), 0);
}

QTEST_GUILESS_MAIN(TestOutputNaming)
#include "tst_output_naming.moc"
