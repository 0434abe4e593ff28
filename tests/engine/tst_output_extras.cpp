// Photo metadata in outputs, the JPEG size limit, WebP, and file dates.
#include "engine/batch_run.h"
#include "engine/image_codec.h"
#include "engine/savers.h"

#include <QColorSpace>
#include <QImageReader>
#include <QtTest>

using namespace kuvo;

namespace {

QString exiftool() { return QStandardPaths::findExecutable(QStringLiteral("exiftool")); }

// ExifTool's reading of the given tags, as numbers where it has them.
QMap<QString, QString> readTags(const QString &path, const QStringList &tags) {
  QProcess p;
  QStringList args{QStringLiteral("-j"), QStringLiteral("-n")};
  for (const QString &t : tags)
    args << QLatin1Char('-') + t;
  p.start(exiftool(), args << path);
  p.waitForFinished(30000);
  const QJsonArray all = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
  QMap<QString, QString> out;
  const QJsonObject o = all.isEmpty() ? QJsonObject() : all[0].toObject();
  for (const QString &t : tags)
    if (o.contains(t))
      out[t] = o[t].toVariant().toString();
  return out;
}

QImage noise(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  quint32 seed = 12345;
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      image.setPixel(x, y, 0xFF000000u | (seed >> 8));
    }
  return image;
}

} // namespace

class TestOutputExtras : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void metadata_data();
  void metadata();
  void sizeLimit_data();
  void sizeLimit();
  void sizeLimitThroughRun();
  void webpAndFileDate();
  void iccProfileKeepsOutputReadable_data();
  void iccProfileKeepsOutputReadable();

private:
  QTemporaryDir dir_;
  QString source_;
};

void TestOutputExtras::initTestCase() {
  if (exiftool().isEmpty())
    QSKIP("ExifTool is needed to write and read the test photo's metadata");
  source_ = dir_.filePath(QStringLiteral("photo.jpg"));
  QVERIFY(noise({640, 480}).save(source_, "JPEG", 90));
  const QString thumb = dir_.filePath(QStringLiteral("thumb.jpg"));
  QVERIFY(noise({160, 120}).save(thumb, "JPEG", 50));
  QProcess p;
  p.start(exiftool(), {"-q", "-overwrite_original", "-Orientation#=6", "-DateTimeOriginal=2021:03:04 05:06:07",
                       "-Make=KuvoCam", "-GPSLatitude=31.5", "-GPSLatitudeRef=N", "-GPSLongitude=121.25",
                       "-GPSLongitudeRef=E", "-XMP-dc:Title=西湖", "-IPTC:Keywords=travel",
                       "-ThumbnailImage<=" + thumb, source_});
  QVERIFY(p.waitForFinished(30000));
  QCOMPARE(p.exitCode(), 0);
  QCOMPARE(readTags(source_, {"Orientation"}).value("Orientation"), QStringLiteral("6"));
}

// The source is tagged Orientation 6 and carries a GPS position.
void TestOutputExtras::metadata_data() {
  QTest::addColumn<QString>("format");
  QTest::addColumn<bool>("keep");
  QTest::addColumn<bool>("stripGps");
  QTest::addColumn<int>("rotate");
  QTest::addColumn<bool>("upload"); // an upload run: its pictures are published
  QTest::addColumn<bool>("keepGps");
  QTest::addColumn<QString>("orientation"); // expected tag; empty: none or 1
  QTest::addColumn<bool>("gps");
  QTest::newRow("jpg keeps") << "jpg" << true << false << int(RotateSmart) << false << false << "" << true;
  QTest::newRow("jpg without gps") << "jpg" << true << true << int(RotateSmart) << false << false << "" << false;
  QTest::newRow("jpg stripped") << "jpg" << false << false << int(RotateSmart) << false << false << "" << false;
  QTest::newRow("png keeps") << "png" << true << false << int(RotateSmart) << false << false << "" << true;
  QTest::newRow("tiff keeps") << "tiff" << true << false << int(RotateSmart) << false << false << "" << true;
  QTest::newRow("bmp has no place for it")
      << "bmp" << true << false << int(RotateSmart) << false << false << "" << false;
  // Pixels left as they were keep the tag that tells viewers how to show them.
  QTest::newRow("取消旋转 keeps the tag") << "jpg" << true << false << int(RotateNone) << false << false << "6" << true;
  QTest::newRow("a manual turn is upright")
      << "jpg" << true << false << int(RotateClockwise90) << false << false << "" << true;
  QTest::newRow("upload run drops the position")
      << "jpg" << true << false << int(RotateSmart) << true << false << "" << false;
  QTest::newRow("upload run keeping it") << "jpg" << true << false << int(RotateSmart) << true << true << "" << true;
}

void TestOutputExtras::metadata() {
  QFETCH(QString, format);
  QFETCH(bool, keep);
  QFETCH(bool, stripGps);
  QFETCH(int, rotate);
  QFETCH(bool, upload);
  QFETCH(bool, keepGps);
  QFETCH(QString, orientation);
  QFETCH(bool, gps);
  ProcessingSettings s;
  s.files = {source_};
  s.outputFormat = format;
  s.keepMetadata = keep;
  s.stripGps = stripGps;
  s.rotateMode = rotate;
  s.upload = upload;
  s.keepGps = keepGps;
  s.outputFolder = dir_.filePath(QStringLiteral("meta_") + QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
  QDir().mkpath(s.outputFolder);
  BatchRun run(s);
  const RunSummary summary = run.run();
  QCOMPARE(summary.saved, 1);
  const QString out = summary.outputPaths[0];
  const auto tags = readTags(out, {"Orientation", "DateTimeOriginal", "Make", "GPSLatitude", "Title", "Keywords",
                                   "ThumbnailImage", "ImageWidth", "ImageHeight"});
  // Turned upright from Orientation 6, or by hand; 800 x 600 as stored otherwise.
  QCOMPARE(tags.value("ImageWidth"), rotate == RotateNone ? QStringLiteral("800") : QStringLiteral("600"));
  const bool expectData = keep && format != QLatin1String("bmp");
  QCOMPARE(tags.value("DateTimeOriginal"), expectData ? QStringLiteral("2021:03:04 05:06:07") : QString());
  QCOMPARE(tags.value("Make"), expectData ? QStringLiteral("KuvoCam") : QString());
  QCOMPARE(tags.contains("GPSLatitude"), gps);
  QCOMPARE(tags.value("Title"), expectData ? QStringLiteral("西湖") : QString());
  QVERIFY(!tags.contains("ThumbnailImage")); // the original's thumbnail would show it sideways
  if (orientation.isEmpty())
    QVERIFY(!tags.contains("Orientation") || tags.value("Orientation") == QLatin1String("1"));
  else
    QCOMPARE(tags.value("Orientation"), orientation);
  if (expectData && format == QLatin1String("jpg"))
    QCOMPARE(tags.value("Keywords"), QStringLiteral("travel"));
}

void TestOutputExtras::sizeLimit_data() {
  QTest::addColumn<int>("maxKb");
  QTest::addColumn<bool>("fits");
  QTest::newRow("roomy") << 400 << true;
  QTest::newRow("tight") << 60 << true;
  QTest::newRow("impossible") << 1 << false;
}

void TestOutputExtras::sizeLimit() {
  QFETCH(int, maxKb);
  QFETCH(bool, fits);
  const QImage picture = noise({400, 300});
  const SizedJpeg sized = encodeJpegWithin(picture, 95, qint64(maxKb) * 1024);
  QCOMPARE(sized.fits, fits);
  QVERIFY(!QImage::fromData(sized.bytes, "JPEG").isNull());
  if (!fits) {
    QCOMPARE(sized.quality, 10);
    return;
  }
  QVERIFY(sized.bytes.size() <= maxKb * 1024);
  // The highest quality that fits: one step up would not (unless it is the top).
  if (sized.quality < 95) {
    const auto above = encodeWithEncoder(picture, QStringLiteral("jpg"), sized.quality + 1);
    QVERIFY(above && above->size() > maxKb * 1024);
  }
}

void TestOutputExtras::sizeLimitThroughRun() {
  ProcessingSettings s;
  s.files = {source_};
  s.maxJpegKb = 1;
  s.outputFolder = dir_.filePath(QStringLiteral("limit"));
  QDir().mkpath(s.outputFolder);
  BatchRun run(s);
  const RunSummary summary = run.run();
  QCOMPARE(summary.saved, 1); // saved at quality 10 all the same
  QVERIFY(summary.errorFlag);
  QVERIFY(summary.errorText.contains(source_ + QStringLiteral("在保存时发生错误:即使以质量10保存,文件仍大于1KB。")));
}

void TestOutputExtras::webpAndFileDate() {
  ProcessingSettings s;
  s.files = {source_};
  s.outputFormat = QStringLiteral("webp");
  s.jpegQuality = 80;
  s.keepFileDate = true;
  s.outputFolder = dir_.filePath(QStringLiteral("webp"));
  QDir().mkpath(s.outputFolder);
  const QDateTime old(QDate(2020, 1, 2), QTime(3, 4, 5));
  {
    QFile f(source_);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
  }
  BatchRun run(s);
  const RunSummary summary = run.run();
  QCOMPARE(summary.saved, 1);
  QVERIFY(summary.outputPaths[0].endsWith(QStringLiteral(".webp")));
  QImageReader reader(summary.outputPaths[0]);
  QCOMPARE(reader.format(), QByteArray("webp"));
  QCOMPARE(reader.size(), QSize(800, 600));
  QCOMPARE(QFileInfo(summary.outputPaths[0]).lastModified(), old);

  // And the WebP is read back as a source.
  ProcessingSettings again;
  again.files = {summary.outputPaths[0]};
  again.widthText = QStringLiteral("400");
  again.outputFolder = dir_.filePath(QStringLiteral("webp2"));
  QDir().mkpath(again.outputFolder);
  BatchRun second(again);
  QCOMPARE(second.run().saved, 1);
  QCOMPARE(QImage(again.outputFolder + QStringLiteral("/photo.jpg")).size(), QSize(400, 300));
}

void TestOutputExtras::iccProfileKeepsOutputReadable_data() {
  QTest::addColumn<QString>("format");
  QTest::addColumn<bool>("keepsProfile");
  QTest::newRow("jpg") << "jpg" << true;
  QTest::newRow("png") << "png" << true;
  QTest::newRow("tiff") << "tiff" << true;
  QTest::newRow("webp") << "webp" << false; // exiv2 cannot write it into WebP
}

// A source with a colour profile: every output must still be a whole picture.
void TestOutputExtras::iccProfileKeepsOutputReadable() {
  QFETCH(QString, format);
  QFETCH(bool, keepsProfile);
  const QString source = dir_.filePath(QStringLiteral("profiled.jpg"));
  QImage picture = noise({64, 48});
  picture.setColorSpace(QColorSpace::SRgb);
  QVERIFY(picture.save(source, "JPEG", 90));
  ProcessingSettings s;
  s.files = {source};
  s.outputFormat = format;
  s.widthText = QStringLiteral("32");
  s.outputFolder = dir_.filePath(QStringLiteral("icc_") + format);
  QDir().mkpath(s.outputFolder);
  BatchRun run(s);
  const RunSummary summary = run.run();
  QCOMPARE(summary.saved, 1);
  QImageReader reader(summary.outputPaths[0]);
  const QImage out = reader.read();
  QVERIFY2(!out.isNull(), qPrintable(reader.errorString()));
  QCOMPARE(out.size(), QSize(32, 24));
  if (keepsProfile)
    QVERIFY(out.colorSpace().isValid());
}

QTEST_GUILESS_MAIN(TestOutputExtras)
#include "tst_output_extras.moc"
