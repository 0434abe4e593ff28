// Job files: a job saved and loaded again is the same job; a damaged file
// loads what it can and names the rest.
#include "engine/job_file.h"

#include <QtTest>

using namespace kuvo;

class TestJobFile : public QObject {
  Q_OBJECT
private slots:
  void roundTrip();
  void damagedFile();
  void storeKeysTurnWatermarksOn();
  void valuesReadAsWritten();
};

void TestJobFile::roundTrip() {
  QTemporaryDir dir;
  ProcessingSettings job;
  job.sizeMode = 4;
  job.widthText = QStringLiteral("1280");
  job.heightText = QStringLiteral("720");
  job.keepSmall = true;
  job.cropToFit = false;
  job.cropAnchorX = 2;
  job.cropAnchorY = 1;
  job.originX = 3.5f;
  job.originY = -2;
  job.imageMatrix = channelMatrix(0.5f, 1.25f, 0);
  job.imageMatrix[20] = 0.1f;
  job.rotateMode = RotateSmart;
  job.effect = 12;
  job.brightness = -30;
  job.borderFile = QStringLiteral("/frames/金色画框.png");
  job.pictureWatermarkOn = true;
  job.pictureWatermarkFile = QStringLiteral("/marks/logo.png");
  job.pictureWatermarkAnchor = AnchorTopRight;
  job.pictureWatermarkX = 0.123456789;
  job.pictureWatermarkScale = 0.05f;
  job.watermarkMatrix[18] = 0.37f;
  job.textWatermarkOn = true;
  job.text = QStringLiteral("#当前日期# 版权所有");
  job.textAnchor = AnchorTile;
  job.textOpacity = 35;
  job.tileAngle = 45;
  job.tileSpacing = 250;
  job.textY = 0.75;
  job.fontName = QStringLiteral("黑体");
  job.fontSize = 24;
  job.textColor = 0x0000FF;
  job.bold = job.italic = job.underline = true;
  job.outputFolder = QStringLiteral("/输出/相册");
  job.outputFormat = OriginalFormatText;
  job.jpegQuality = 77;
  job.rename = true;
  job.prefix = QStringLiteral("旅行_");
  job.counterWidth = QStringLiteral("6");
  job.keepMetadata = false;
  job.stripGps = true;
  job.keepFileDate = true;
  job.maxJpegKb = 500;
  job.saveErrorLog = true;
  job.openOutputFolder = false;
  job.pdfTitle = QStringLiteral("游记");
  job.existingFiles = ExistingFiles::Rename;
  job.keepGps = true;
  job.text = QStringLiteral(" Hello, world ");

  const QString path = dir.filePath(QStringLiteral("job.ini"));
  QVERIFY(saveJobFile(path, job));
  ProcessingSettings loaded;
  bool ok = false;
  QCOMPARE(loadJobFile(path, loaded, &ok), QStringList());
  QVERIFY(ok);
  QCOMPARE(loaded.sizeMode, job.sizeMode);
  QCOMPARE(loaded.widthText, job.widthText);
  QCOMPARE(loaded.heightText, job.heightText);
  QCOMPARE(loaded.keepSmall, job.keepSmall);
  QCOMPARE(loaded.cropToFit, job.cropToFit);
  QCOMPARE(loaded.cropAnchorX, job.cropAnchorX);
  QCOMPARE(loaded.cropAnchorY, job.cropAnchorY);
  QCOMPARE(loaded.originX, job.originX);
  QCOMPARE(loaded.originY, job.originY);
  QVERIFY(loaded.imageMatrix == job.imageMatrix);
  QCOMPARE(loaded.rotateMode, job.rotateMode);
  QCOMPARE(loaded.effect, job.effect);
  QCOMPARE(loaded.brightness, job.brightness);
  QCOMPARE(loaded.borderFile, job.borderFile);
  QCOMPARE(loaded.pictureWatermarkOn, true);
  QCOMPARE(loaded.pictureWatermarkFile, job.pictureWatermarkFile);
  QCOMPARE(loaded.pictureWatermarkAnchor, job.pictureWatermarkAnchor);
  QCOMPARE(loaded.pictureWatermarkX, job.pictureWatermarkX);
  QCOMPARE(loaded.pictureWatermarkScale, job.pictureWatermarkScale);
  QVERIFY(loaded.watermarkMatrix == job.watermarkMatrix);
  QCOMPARE(loaded.text, job.text);
  QCOMPARE(loaded.textAnchor, job.textAnchor);
  QCOMPARE(loaded.textY, job.textY);
  QCOMPARE(loaded.textOpacity, 35);
  QCOMPARE(loaded.tileAngle, 45);
  QCOMPARE(loaded.tileSpacing, 250);
  QCOMPARE(loaded.fontName, job.fontName);
  QCOMPARE(loaded.fontSize, job.fontSize);
  QCOMPARE(loaded.textColor, job.textColor);
  QVERIFY(loaded.bold && loaded.italic && loaded.underline);
  QCOMPARE(loaded.outputFolder, job.outputFolder);
  QCOMPARE(loaded.outputFormat, job.outputFormat);
  QCOMPARE(loaded.jpegQuality, job.jpegQuality);
  QCOMPARE(loaded.rename, true);
  QCOMPARE(loaded.prefix, job.prefix);
  QCOMPARE(loaded.counterWidth, job.counterWidth);
  QCOMPARE(loaded.keepMetadata, false);
  QCOMPARE(loaded.stripGps, true);
  QCOMPARE(loaded.keepFileDate, true);
  QCOMPARE(loaded.maxJpegKb, 500);
  QCOMPARE(loaded.saveErrorLog, true);
  QCOMPARE(loaded.openOutputFolder, false);
  QCOMPARE(loaded.pdfTitle, job.pdfTitle);
  QVERIFY(loaded.existingFiles == job.existingFiles);
  QCOMPARE(loaded.keepGps, true);
  // Saved again, the file is the same to the byte.
  const QString again = dir.filePath(QStringLiteral("again.ini"));
  QVERIFY(saveJobFile(again, loaded));
  QFile a(path), b(again);
  QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  QCOMPARE(a.readAll(), b.readAll());
}

// Hand-written job files: values as written, commas and all; a file
// without [Options] is refused; unknown keys are named once.
void TestJobFile::valuesReadAsWritten() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("hand.ini"));
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("; a note\r\n[Options]\r\nsText=Hello, world\r\nsOrigin=0,20\r\nsPrefix = a\\b \r\nsWidht=640\r\n"
          "sWidht=641\r\n[Other]\r\niJPGQ=5\r\n");
  f.close();
  ProcessingSettings job;
  bool ok = false;
  QStringList unknown;
  QCOMPARE(loadJobFile(path, job, &ok, &unknown), QStringList());
  QVERIFY(ok);
  QCOMPARE(job.text, QStringLiteral("Hello, world"));
  QCOMPARE(job.originY, 20.0f);
  QCOMPARE(job.prefix, QStringLiteral("a\\b"));
  QCOMPARE(job.jpegQuality, 100); // another section's key is not the job's
  QCOMPARE(unknown, QStringList{"sWidht"});

  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write("sText=no section\n");
  f.close();
  QString problem;
  loadJobFile(path, job, &ok, nullptr, &problem);
  QVERIFY(!ok);
  QVERIFY(problem.contains(QStringLiteral("[Options]")));
}

void TestJobFile::damagedFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("bad.ini"));
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  // Infinities and NaN parse as numbers but would reach the drawing code.
  f.write("[Options]\niJPGQ=abc\niRotate=9\nsImageMatrix=1,2,3\nsOutFormat=jpeg2000\nsPrefix=ok_\nbRename=1\n"
          "fImgScale=inf\nsOrigin=\"nan,0\"\niTileAngle=120\niTileSpacing=-5\niTextAlpha=x\niTextPos=7\n"
          "sWatermarkMatrix=\"1,0,0,0,0,0,1,0,0,0,0,0,1,0,0,0,0,0,-inf,0,0,0,0,0,1\"\n");
  f.close();
  ProcessingSettings job;
  bool ok = false;
  QStringList skipped = loadJobFile(path, job, &ok);
  skipped.sort();
  QVERIFY(ok);
  QCOMPARE(skipped, (QStringList{"fImgScale", "iJPGQ", "iRotate", "iTextAlpha", "iTextPos", "iTileAngle",
                                 "iTileSpacing", "sImageMatrix", "sOrigin", "sOutFormat", "sWatermarkMatrix"}));
  QCOMPARE(job.tileAngle, -30);
  QCOMPARE(job.tileSpacing, 100);
  QCOMPARE(job.textOpacity, 100);
  QCOMPARE(job.pictureWatermarkScale, 1.0f);
  QCOMPARE(job.originX, 0.0f);
  QCOMPARE(job.jpegQuality, 100); // left as it was
  QCOMPARE(job.rotateMode, 0);
  QVERIFY(isIdentity(job.imageMatrix));
  QCOMPARE(job.outputFormat, QStringLiteral("jpg"));
  QCOMPARE(job.prefix, QStringLiteral("ok_")); // the good keys still load
  QVERIFY(job.rename);

  QVERIFY(loadJobFile(dir.filePath(QStringLiteral("missing.ini")), job, &ok).isEmpty());
  QVERIFY(!ok);
}

// A stored watermark text or picture turns that watermark on at its free
// position, as the window does at start; coordinates without a text are not read.
void TestJobFile::storeKeysTurnWatermarksOn() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("store.ini"));
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("[Options]\nsText=\nsuISyF=/marks/a.png\niuISyX=0.25\niuISyY=0.75\niuTSyX=0.5\nsBold=True\niuSYAlpha=55\n");
  f.close();
  ProcessingSettings job;
  QCOMPARE(loadJobFile(path, job), QStringList());
  QVERIFY(!job.textWatermarkOn);
  QCOMPARE(job.textX, 0.0);
  QVERIFY(job.pictureWatermarkOn);
  QCOMPARE(job.pictureWatermarkAnchor, int(AnchorFree));
  QCOMPARE(job.pictureWatermarkX, 0.25);
  QCOMPARE(job.pictureWatermarkY, 0.75);
  QVERIFY(job.bold);
  QCOMPARE(job.watermarkMatrix[18], 0.55f);
  // Written before tiles existed: the new settings keep their defaults.
  QCOMPARE(job.textOpacity, 100);
  QCOMPARE(job.tileAngle, -30);
  QCOMPARE(job.tileSpacing, 100);
}

QTEST_GUILESS_MAIN(TestJobFile)
#include "tst_job_file.moc"
