// kuvo-batch end to end: options, exit status, files written.
#include "batch_process.h"

#include <QtTest>
#include <csignal>

namespace {

using Result = BatchResult;

Result runBatch(const QStringList &args, const QString &workDir = QString()) {
  BatchCall call;
  call.workDir = workDir;
  return runBatchProcess(args, call);
}

void makeJpeg(const QString &path, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(90, 140, 200));
  QVERIFY(image.save(path, "JPEG", 90));
}

QByteArray fileBytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// A 2 x 2 24-bit BMP stored top-down (negative height): red row on top.
QByteArray topDownBmp() {
  QByteArray b(54 + 16, '\0');
  auto put = [&b](int at, quint32 v, int n) {
    for (int i = 0; i < n; ++i)
      b[at + i] = char((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, quint32(b.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, 2, 4);
  put(22, quint32(-2), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  const char rows[2][8] = {{0, 0, '\xFF', 0, 0, '\xFF', 0, 0}, {'\xFF', 0, 0, '\xFF', 0, 0, 0, 0}};
  for (int r = 0; r < 2; ++r)
    for (int i = 0; i < 8; ++i)
      b[54 + r * 8 + i] = rows[r][i];
  return b;
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
  void everyFailureIsAnEntry_data();
  void everyFailureIsAnEntry();
  void existingFiles_data();
  void existingFiles();
  void sourceIsNeverOverwritten_data();
  void sourceIsNeverOverwritten();
  void awkwardPictures_data();
  void awkwardPictures();
  void informationOptions();
  void ctrlCStops_data();
  void ctrlCStops();
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
  QTest::newRow("unknown option last") << QStringList{"a.jpg", "--frobnicate"} << "未知的选项“--frobnicate”";
  QTest::newRow("bad existing rule") << QStringList{"--existing", "merge", "a.jpg"} << "--existing 只接受";
  QTest::newRow("job without [Options]") << QStringList{"--job", "IN/wide.jpg", "a.jpg"} << "没有 [Options] 段";
  QTest::newRow("preset number past the list") << QStringList{"--size", "99", "a.jpg"} << "未知的尺寸";
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
  QTest::newRow("preset by number") << QStringList{"--size", "4"} << QSize(640, 480) << QSize(640, 480);
  QTest::newRow("preset by its start") << QStringList{"--size", "1280"} << QSize(1280, 720) << QSize(1280, 720);
  QTest::newRow("height alone is custom") << QStringList{"--height", "300"} << QSize(800, 300) << QSize(800, 300);
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
  QCOMPARE(QDir(deep.path()).entryList(QDir::Files, QDir::Name), (QStringList{"tall.jpg", "wide.jpg"}));
  QVERIFY(QFile::exists(deep.filePath(QStringLiteral("sub/inner.jpg"))));

  // Two pictures of one name: the tree keeps both; --flat writes one file,
  // counts it once and says which replaced which.
  QTemporaryDir twins, kept, oneFolder;
  QDir().mkpath(twins.filePath(QStringLiteral("a")));
  QDir().mkpath(twins.filePath(QStringLiteral("b")));
  makeJpeg(twins.filePath(QStringLiteral("a/x.jpg")), {400, 300});
  makeJpeg(twins.filePath(QStringLiteral("b/x.jpg")), {300, 400});
  QCOMPARE(runBatch({"-o", kept.path(), "-r", twins.path()}).exitCode, 0);
  QVERIFY(QFile::exists(kept.filePath(QStringLiteral("a/x.jpg"))));
  QVERIFY(QFile::exists(kept.filePath(QStringLiteral("b/x.jpg"))));
  const Result merged = runBatch({"-o", oneFolder.path(), "-r", "--flat", twins.path()});
  QCOMPARE(merged.exitCode, 0);
  QCOMPARE(QDir(oneFolder.path()).entryList(QDir::Files), QStringList{"x.jpg"});
  QCOMPARE(QImage(oneFolder.filePath(QStringLiteral("x.jpg"))).size(), QSize(800, 1067)); // b/x.jpg, the later one
  QVERIFY2(merged.err.contains(QStringLiteral("已保存 1 张，失败 0 张，1 张的输出")), qPrintable(merged.err));
  QVERIFY(merged.err.contains(twins.filePath(QStringLiteral("b/x.jpg")) + QStringLiteral(" 的输出替换了 ") +
                              twins.filePath(QStringLiteral("a/x.jpg"))));
}

// Each kind of failure is one entry with its reason, the good picture beside
// it is saved, and the exit status is 1.
void TestKuvoBatch::everyFailureIsAnEntry_data() {
  QTest::addColumn<QStringList>("args"); // BAD is the failing picture
  QTest::addColumn<QString>("entry");
  QTest::newRow("missing file") << QStringList{"BAD"} << "在保存时发生错误:找不到文件.";
  QTest::newRow("device") << QStringList{"/dev/zero"} << "/dev/zero在保存时发生错误:不是普通文件";
  QTest::newRow("pipe") << QStringList{"FIFO"} << "在保存时发生错误:不是普通文件";
  QTest::newRow("junk named jpg") << QStringList{"JUNK"} << "在保存时发生错误:不是图片文件或文件已损坏.";
  QTest::newRow("extension under 原格式")
      << QStringList{"JPEG", "--format", "original"} << "在保存时发生错误:不支持扩展名“jfif”";
  QTest::newRow("mistyped border") << QStringList{"--border", "/no/frame.png"}
                                   << "在添加边框时发生错误:无法读取边框图片“/no/frame.png”。";
  QTest::newRow("mistyped watermark") << QStringList{"--watermark", "/no/mark.png"}
                                      << "在添加图片水印时发生错误:(错误代码:0)无法读取水印图片“/no/mark.png”。";
  QTest::newRow("size limit not reached")
      << QStringList{"--max-kb", "1", "--size", "original"} << "在保存时发生错误:即使以质量10保存,文件仍大于1KB。";
  QTest::newRow("name refused") << QStringList{"--rename", QString(300, QLatin1Char('n'))}
                                << "在保存时发生错误:文件名“";
}

void TestKuvoBatch::everyFailureIsAnEntry() {
  QFETCH(QStringList, args);
  QFETCH(QString, entry);
  QTemporaryDir out, work;
  const QString junk = work.filePath(QStringLiteral("junk.jpg"));
  writeFile(junk, QByteArray(4096, 'j'));
  const QString jpeg = work.filePath(QStringLiteral("photo.jfif"));
  QFile::copy(in_ + QStringLiteral("/tall.jpg"), jpeg);
  const QString fifo = work.filePath(QStringLiteral("pipe.jpg"));
  QVERIFY(QProcess::execute(QStringLiteral("mkfifo"), {fifo}) == 0);
  const QString bad = work.filePath(QStringLiteral("missing.jpg"));
  args.replaceInStrings(QStringLiteral("BAD"), bad).replaceInStrings(QStringLiteral("JUNK"), junk);
  args.replaceInStrings(QStringLiteral("JPEG"), jpeg).replaceInStrings(QStringLiteral("FIFO"), fifo);
  const bool pictureGiven = args.value(0).startsWith(QLatin1Char('/'));
  const Result r = runBatch(QStringList{"-o", out.path(), in_ + "/wide.jpg"} + args);
  QCOMPARE(r.exitCode, 1);
  QVERIFY2(r.err.contains(entry), qPrintable(r.err));
  if (pictureGiven)
    QVERIFY(QFile::exists(out.filePath(QStringLiteral("wide.jpg"))));
  QVERIFY(r.err.contains(QStringLiteral("失败 1 张")) || !pictureGiven);
}

void TestKuvoBatch::existingFiles_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QStringList>("files");
  QTest::addColumn<bool>("oldKept");
  QTest::addColumn<QString>("says");
  QTest::newRow("overwrite by default") << QStringList{} << QStringList{"wide.jpg"} << false << "已保存 1 张";
  QTest::newRow("skip") << QStringList{"--existing", "skip"} << QStringList{"wide.jpg"} << true
                        << "跳过 1 张(输出文件已存在)";
  QTest::newRow("rename") << QStringList{"--existing", "rename"} << QStringList{"wide.jpg", "wide_2.jpg", "wide_3.jpg"}
                          << true << "已保存 2 张";
}

void TestKuvoBatch::existingFiles() {
  QFETCH(QStringList, args);
  QFETCH(QStringList, files);
  QFETCH(bool, oldKept);
  QFETCH(QString, says);
  QTemporaryDir out;
  const QString old = out.filePath(QStringLiteral("wide.jpg"));
  writeFile(old, "an earlier run's file");
  // Under rename, a second copy of the same picture gets the next number.
  const QStringList twice{in_ + "/wide.jpg", in_ + "/wide.jpg"};
  const Result r = runBatch(QStringList{"-o", out.path()} + args + (files.size() > 2 ? twice : twice.mid(1)));
  QCOMPARE(r.exitCode, 0);
  QCOMPARE(QDir(out.path()).entryList(QDir::Files, QDir::Name), files);
  QCOMPARE(fileBytes(old) == "an earlier run's file", oldKept);
  QVERIFY2(r.err.contains(says), qPrintable(r.err));
  for (const QString &name : files.mid(oldKept ? 1 : 0))
    QCOMPARE(QImage(out.filePath(name)).width(), 800);
}

// An output that is the source's own file is never written, whatever path
// leads there; the original stays byte for byte.
void TestKuvoBatch::sourceIsNeverOverwritten_data() {
  QTest::addColumn<QString>("outputFolder"); // relative to the work folder
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exitCode");
  QTest::newRow("same folder") << "photos" << QStringList{} << 1;
  QTest::newRow("through a link") << "link" << QStringList{} << 1;
  QTest::newRow("same folder, skip") << "photos" << QStringList{"--existing", "skip"} << 1;
  QTest::newRow("same folder, rename") << "photos" << QStringList{"--existing", "rename"} << 0;
  QTest::newRow("recursive into its own tree") << "." << QStringList{"-r"} << 1;
}

void TestKuvoBatch::sourceIsNeverOverwritten() {
  QFETCH(QString, outputFolder);
  QFETCH(QStringList, args);
  QFETCH(int, exitCode);
  QTemporaryDir work;
  const QString photo = work.filePath(QStringLiteral("photos/wide.jpg"));
  QDir().mkpath(work.filePath(QStringLiteral("photos")));
  QVERIFY(QFile::copy(in_ + QStringLiteral("/wide.jpg"), photo));
  QVERIFY(QFile::link(work.filePath(QStringLiteral("photos")), work.filePath(QStringLiteral("link"))));
  const QByteArray original = fileBytes(photo);
  const QString input = outputFolder == QLatin1String(".") ? work.path() : photo;
  const Result r = runBatch(QStringList{"-o", work.filePath(outputFolder)} + args + QStringList{input});
  QCOMPARE(r.exitCode, exitCode);
  QVERIFY(fileBytes(photo) == original);
  if (exitCode == 0)
    QCOMPARE(QImage(work.filePath(QStringLiteral("photos/wide_2.jpg"))).width(), 800);
  else
    QVERIFY2(r.err.contains(QStringLiteral("在保存时发生错误:输出文件就是原图片本身")), qPrintable(r.err));
}

void TestKuvoBatch::awkwardPictures_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QSize>("size");
  QTest::newRow("top-down BMP") << "topdown.bmp" << QStringList{"--size", "original"} << QSize(2, 2);
  QTest::newRow("10000 x 1 at width 320") << "thin.png" << QStringList{"--width", "320"} << QSize(320, 1);
}

void TestKuvoBatch::awkwardPictures() {
  QFETCH(QString, name);
  QFETCH(QStringList, args);
  QFETCH(QSize, size);
  QTemporaryDir work;
  const QString source = work.filePath(name);
  if (name.endsWith(QLatin1String(".bmp"))) {
    writeFile(source, topDownBmp());
  } else {
    QImage thin(10000, 1, QImage::Format_RGB32);
    thin.fill(Qt::red);
    QVERIFY(thin.save(source));
  }
  const Result r =
      runBatch(QStringList{"-o", work.filePath(QStringLiteral("out")), "--format", "png"} + args + QStringList{source});
  QCOMPARE(r.exitCode, 0);
  const QImage out(work.filePath(QStringLiteral("out/") + QFileInfo(name).completeBaseName() + ".png"));
  QCOMPARE(out.size(), size);
  QCOMPARE(QColor(out.pixel(0, 0)), QColor(Qt::red)); // upright: the red row on top
}

void TestKuvoBatch::informationOptions() {
  const Result version = runBatch({QStringLiteral("--version")});
  QCOMPARE(version.exitCode, 0);
  QVERIFY(version.out.startsWith(QStringLiteral("kuvo-batch ")));
  const Result presets = runBatch({QStringLiteral("--list-presets")});
  QCOMPARE(presets.exitCode, 0);
  QVERIFY2(presets.out.contains(QStringLiteral("4\t640 × 480\t640 × 480 (网页)")), qPrintable(presets.out));

  // --verbose: one line per picture as it is committed, in list order.
  QTemporaryDir out;
  const Result verbose = runBatch({"-o", out.path(), "-v", in_ + "/wide.jpg", in_ + "/nothing.jpg"});
  QCOMPARE(verbose.exitCode, 1);
  const QStringList lines = verbose.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 2);
  QCOMPARE(lines[0], in_ + "/wide.jpg → " + out.filePath(QStringLiteral("wide.jpg")));
  QCOMPARE(lines[1], in_ + "/nothing.jpg在保存时发生错误:找不到文件.");
}

// Ctrl-C: the first stops after the pictures in flight and finishes the run
// (error log, summary), the second ends at once; both exit 130 and leave only
// whole files.
void TestKuvoBatch::ctrlCStops_data() {
  QTest::addColumn<int>("interrupts");
  QTest::newRow("once") << 1;
  QTest::newRow("twice") << 2;
}

void TestKuvoBatch::ctrlCStops() {
  QFETCH(int, interrupts);
  QTemporaryDir work;
  const QString out = work.filePath(QStringLiteral("out"));
  QStringList args{"-o", out, "-v", "-j", "1", "--error-log", "--format", "png", "--size", "original"};
  args << work.filePath(QStringLiteral("missing.jpg"));
  for (int i = 0; i < 40; ++i) {
    const QString copy = work.filePath(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    QVERIFY(QFile::copy(in_ + QStringLiteral("/wide.jpg"), copy));
    args << copy;
  }
  QProcess p;
  p.start(QStringLiteral(KUVO_BIN_DIR "/kuvo-batch"), args);
  QVERIFY(p.waitForStarted());
  // Stop once the first picture has been saved.
  QByteArray seen;
  while (seen.count('\n') < 2 && p.waitForReadyRead(30000))
    seen += p.readAllStandardOutput();
  for (int i = 0; i < interrupts; ++i)
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  QVERIFY(p.waitForFinished(60000));
  QCOMPARE(p.exitStatus(), QProcess::NormalExit);
  QCOMPARE(p.exitCode(), 130);
  const QFileInfoList written = QDir(out).entryInfoList(QDir::Files | QDir::Hidden);
  QVERIFY(written.size() < 41);
  for (const QFileInfo &file : written)
    QVERIFY2(file.fileName() == QLatin1String("ErrorLog.txt") || !QImage(file.filePath()).isNull(),
             qPrintable(file.fileName())); // whole pictures only, no temporary file
  if (interrupts == 1) {
    QVERIFY(QFile::exists(out + QStringLiteral("/ErrorLog.txt")));
    QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("已停止")));
  }
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
