// kuvo-batch end to end: options, exit status, files written.
#include <QtTest>

namespace {

struct Result {
  int exitCode = -1;
  QString out, err;
};

Result runBatch(const QStringList &args, const QString &workDir = QString()) {
  QProcess p;
  if (!workDir.isEmpty())
    p.setWorkingDirectory(workDir);
  p.start(QStringLiteral(KUVO_BIN_DIR "/kuvo-batch"), args);
  Result r;
  if (!p.waitForFinished(120000))
    return r;
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

void makeJpeg(const QString &path, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(90, 140, 200));
  QVERIFY(image.save(path, "JPEG", 90));
}

} // namespace

class TestKuvoBatch : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void usageErrors_data();
  void usageErrors();
  void helpListsOptions();
  void sizes_data();
  void sizes();
  void formatsAndNames();
  void failingPictureExitsOne();
  void jobFileIsOverriddenByOptions();
  void recursiveFolders();
  void sampleDemo();

private:
  QTemporaryDir dir_;
  QString in_;
};

void TestKuvoBatch::initTestCase() {
  in_ = dir_.filePath(QStringLiteral("in"));
  QDir().mkpath(in_ + QStringLiteral("/sub"));
  makeJpeg(in_ + QStringLiteral("/wide.jpg"), {1600, 1200});
  makeJpeg(in_ + QStringLiteral("/tall.jpg"), {600, 900});
  makeJpeg(in_ + QStringLiteral("/sub/inner.jpg"), {320, 240});
  QFile note(in_ + QStringLiteral("/notes.txt"));
  QVERIFY(note.open(QIODevice::WriteOnly));
}

void TestKuvoBatch::usageErrors_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("message");
  QTest::newRow("no input") << QStringList{"-o", "x"} << "没有指定要处理的图片或文件夹";
  QTest::newRow("unknown option") << QStringList{"--frobnicate", "a.jpg"} << "未知的选项";
  QTest::newRow("missing value") << QStringList{"a.jpg", "--quality"} << "缺少参数";
  QTest::newRow("quality out of range") << QStringList{"--quality", "101", "a.jpg"} << "0 到 100";
  QTest::newRow("bad format") << QStringList{"--format", "webm", "a.jpg"} << "未知的输出格式";
  QTest::newRow("bad matrix") << QStringList{"--matrix", "1,0,0", "a.jpg"} << "25 个数字";
  QTest::newRow("bad preset") << QStringList{"--size", "huge", "a.jpg"} << "未知的尺寸";
  QTest::newRow("missing input") << QStringList{"/no/such/picture.jpg"} << "找不到";
  QTest::newRow("infinite scale") << QStringList{"--watermark-scale", "inf", "a.jpg"} << "需要一个数字";
  QTest::newRow("origin past float range") << QStringList{"--origin", "1e300,0", "a.jpg"} << "两个数字";
  QTest::newRow("NaN in matrix")
      << QStringList{"--matrix", "1,0,0,0,0,0,1,0,0,0,0,0,1,0,0,0,0,0,1,0,0,0,0,0,nan", "a.jpg"} << "25 个数字";
  QTest::newRow("custom zero") << QStringList{"--size", "custom", "--width", "0", "IN"} << "图片尺寸不能为0！";
}

void TestKuvoBatch::usageErrors() {
  QFETCH(QStringList, args);
  QFETCH(QString, message);
  args.replaceInStrings(QStringLiteral("IN"), in_);
  const Result r = runBatch(args, dir_.path());
  QCOMPARE(r.exitCode, 2);
  QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void TestKuvoBatch::helpListsOptions() {
  const Result r = runBatch({QStringLiteral("--help")});
  QCOMPARE(r.exitCode, 0);
  for (const char *opt : {"--output", "--format", "--quality", "--size", "--width", "--height", "--fit", "--crop-x",
                          "--crop-y", "--keep-small", "--origin", "--channels", "--matrix", "--border", "--rename",
                          "--digits", "--error-log", "--jobs", "--job", "--quiet", "--recursive"})
    QVERIFY2(r.out.contains(QLatin1String(opt)), opt);
  QVERIFY(r.out.contains(QStringLiteral("用法")));
}

void TestKuvoBatch::sizes_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QSize>("wide");
  QTest::addColumn<QSize>("tall");
  QTest::newRow("default width 800") << QStringList{} << QSize(800, 600) << QSize(800, 1200);
  QTest::newRow("width 400") << QStringList{"--width", "400"} << QSize(400, 300) << QSize(400, 600);
  QTest::newRow("custom crop") << QStringList{"--size", "custom", "--width", "300", "--height", "300"}
                               << QSize(300, 300) << QSize(300, 300);
  QTest::newRow("original") << QStringList{"--size", "original"} << QSize(1600, 1200) << QSize(600, 900);
  QTest::newRow("keep small") << QStringList{"--size", "custom", "--width", "800", "--height", "600", "--keep-small"}
                              << QSize(800, 600) << QSize(600, 900);
  QTest::newRow("preset from size.ini") << QStringList{"--size", "640 × 480 (网页)"} << QSize(640, 480)
                                        << QSize(640, 480);
}

void TestKuvoBatch::sizes() {
  QFETCH(QStringList, args);
  QFETCH(QSize, wide);
  QFETCH(QSize, tall);
  QTemporaryDir out;
  const Result r = runBatch(QStringList{"-o", out.path(), "--quiet", in_ + "/wide.jpg", in_ + "/tall.jpg"} + args);
  QCOMPARE(r.exitCode, 0);
  QCOMPARE(QImage(out.filePath(QStringLiteral("wide.jpg"))).size(), wide);
  QCOMPARE(QImage(out.filePath(QStringLiteral("tall.jpg"))).size(), tall);
}

void TestKuvoBatch::formatsAndNames() {
  QTemporaryDir out;
  const Result r = runBatch({"-o", out.path(), "--format", "png", "--rename", "pic_", "--digits", "3", "-j", "2",
                             in_ + "/wide.jpg", in_ + "/tall.jpg"});
  QCOMPARE(r.exitCode, 0);
  QCOMPARE(QDir(out.path()).entryList(QDir::Files, QDir::Name), (QStringList{"pic_000.png", "pic_001.png"}));
  QVERIFY(r.err.contains(QStringLiteral("已保存 2 张，失败 0 张")));
}

void TestKuvoBatch::failingPictureExitsOne() {
  QTemporaryDir out;
  const QString broken = dir_.filePath(QStringLiteral("broken.png"));
  QFile f(broken);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("garbage");
  f.close();
  const Result r = runBatch({"-o", out.path(), "--error-log", "--quiet", broken, in_ + "/wide.jpg"});
  QCOMPARE(r.exitCode, 1);
  QVERIFY(r.err.contains(broken + QStringLiteral("在保存时发生错误:")));
  QVERIFY(QFile::exists(out.filePath(QStringLiteral("wide.jpg"))));
  QVERIFY(QFile::exists(out.filePath(QStringLiteral("ErrorLog.txt"))));
}

void TestKuvoBatch::jobFileIsOverriddenByOptions() {
  QTemporaryDir out;
  const QString jobPath = dir_.filePath(QStringLiteral("job.ini"));
  {
    QSettings job(jobPath, QSettings::IniFormat);
    job.beginGroup(QStringLiteral("Options"));
    job.setValue(QStringLiteral("iJPGQ"), QStringLiteral("10"));
    job.setValue(QStringLiteral("bPicJQ"), QStringLiteral("0"));
    job.setValue(QStringLiteral("bSaveErr"), QStringLiteral("1"));
  }
  // From the job: quality 10 and fit-inside (white bands); the command line
  // overrides the quality.
  const Result low = runBatch({"-o", out.path() + "/a", "--job", jobPath, "--size", "custom", "--width", "400",
                               "--height", "400", in_ + "/wide.jpg"});
  QCOMPARE(low.exitCode, 0);
  const Result high = runBatch({"-o", out.path() + "/b", "--job", jobPath, "--quality", "95", "--size", "custom",
                                "--width", "400", "--height", "400", in_ + "/wide.jpg"});
  QCOMPARE(high.exitCode, 0);
  const QImage banded(out.path() + "/a/wide.jpg");
  QCOMPARE(banded.size(), QSize(400, 400));
  QVERIFY(qGray(banded.pixel(200, 5)) > 245); // band above the picture
  QVERIFY(QFileInfo(out.path() + "/a/wide.jpg").size() < QFileInfo(out.path() + "/b/wide.jpg").size());
  // "--job=FILE" reads the same job.
  const Result joined = runBatch({"-o", out.path() + "/c", "--job=" + jobPath, "--size", "custom", "--width", "400",
                                  "--height", "400", in_ + "/wide.jpg"});
  QCOMPARE(joined.exitCode, 0);
  QCOMPARE(QFileInfo(out.path() + "/c/wide.jpg").size(), QFileInfo(out.path() + "/a/wide.jpg").size());
}

void TestKuvoBatch::recursiveFolders() {
  QTemporaryDir flat, deep;
  QCOMPARE(runBatch({"-o", flat.path(), "--quiet", in_}).exitCode, 0);
  QCOMPARE(QDir(flat.path()).entryList(QDir::Files, QDir::Name), (QStringList{"tall.jpg", "wide.jpg"}));
  QCOMPARE(runBatch({"-o", deep.path(), "--quiet", "-r", in_}).exitCode, 0);
  QCOMPARE(QDir(deep.path()).entryList(QDir::Files, QDir::Name), (QStringList{"inner.jpg", "tall.jpg", "wide.jpg"}));
}

// The bundled samples all go through, whatever their format.
void TestKuvoBatch::sampleDemo() {
  QTemporaryDir out;
  const Result r = runBatch({"-o", out.path(), "--quiet", "--format", "original", QStringLiteral(KUVO_BIN_DIR "/samples")});
  QCOMPARE(r.exitCode, 0);
  QVERIFY(QDir(out.path()).entryList(QDir::Files).size() >= 6);
}

QTEST_GUILESS_MAIN(TestKuvoBatch)
#include "tst_kuvo_batch.moc"
