// Whole runs: order, parallel runs equal to sequential ones, stop, errors.
#include "engine/batch_run.h"

#include <QtTest>

using namespace kuvo;

namespace {

void makePicture(const QString &path, QSize size, QColor color, const char *format) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(color);
  // A diagonal so that resampling and rotation have something to work on.
  for (int i = 0; i < std::min(size.width(), size.height()); ++i)
    image.setPixel(i, i, qRgb(0, 0, 0));
  QVERIFY(image.save(path, format));
}

QByteArray readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class StopAfter : public BatchObserver {
public:
  StopAfter(BatchRun &run, int count) : run_(run), count_(count) {}
  void status(const QString &text) override { started += text.startsWith(QStringLiteral("【提示】正在处理 ")); }
  void pictureCommitted(const PictureOutcome &outcome, int done, int) override {
    order << outcome.index;
    if (done == count_)
      run_.requestStop();
  }
  QList<int> order;
  int started = 0;

private:
  BatchRun &run_;
  int count_;
};

} // namespace

class TestBatchRun : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void startChecks_data();
  void startChecks();
  void parallelEqualsSequential();
  void stopFinishesStartedPictures_data();
  void stopFinishesStartedPictures();
  void errorsAndLog();
  void placementsAreCommittedInOrder();

private:
  QTemporaryDir dir_;
  QStringList sources_;
};

void TestBatchRun::initTestCase() {
  QVERIFY(dir_.isValid());
  const QString in = dir_.filePath(QStringLiteral("in"));
  QDir().mkpath(in);
  makePicture(in + "/a.jpg", {1600, 1200}, QColor(200, 40, 40), "JPEG");
  makePicture(in + "/b.png", {600, 900}, QColor(40, 200, 40), "PNG");
  makePicture(in + "/c.bmp", {300, 300}, QColor(40, 40, 200), "BMP");
  makePicture(in + "/d.jpg", {2400, 1000}, QColor(120, 120, 0), "JPEG");
  QFile broken(in + "/e.jpg");
  QVERIFY(broken.open(QIODevice::WriteOnly));
  broken.write("this is not a picture");
  broken.close();
  makePicture(in + "/f.gif", {320, 240}, QColor(0, 160, 160), "PNG"); // PNG data under a .gif name
  for (const char *name : {"a.jpg", "b.png", "c.bmp", "d.jpg", "e.jpg", "f.gif"})
    sources_ << in + '/' + name;
}

void TestBatchRun::startChecks_data() {
  QTest::addColumn<QStringList>("files");
  QTest::addColumn<int>("sizeMode");
  QTest::addColumn<QString>("width");
  QTest::addColumn<QString>("height");
  QTest::addColumn<QString>("folder");
  QTest::addColumn<bool>("upload");
  QTest::addColumn<QString>("server");
  QTest::addColumn<QString>("prefix");
  QTest::addColumn<int>("problem");
  const QStringList one{QStringLiteral("/a.jpg")};
  const int custom = SizeFirstPreset;
  QTest::newRow("empty list") << QStringList() << 0 << "800" << "0" << "/o" << false << "" << "http://pics.example.org" << int(StartProblem::EmptyList);
  QTest::newRow("custom zero width") << one << custom << "0" << "600" << "/o" << false << "" << "http://pics.example.org" << int(StartProblem::ZeroSize);
  QTest::newRow("custom zero height") << one << custom << "800" << "0" << "/o" << false << "" << "http://pics.example.org" << int(StartProblem::ZeroSize);
  QTest::newRow("fixed width, height 0 is fine") << one << 0 << "800" << "0" << "/o" << false << "" << "http://pics.example.org" << int(StartProblem::None);
  QTest::newRow("no output folder") << one << 0 << "800" << "0" << "" << false << "" << "http://pics.example.org" << int(StartProblem::NoOutputFolder);
  QTest::newRow("upload without server") << one << 0 << "800" << "0" << "/o" << true << "ftp://" << "http://pics.example.org" << int(StartProblem::NoUploadServer);
  QTest::newRow("upload, bare http prefix") << one << 0 << "800" << "0" << "/o" << true << "example" << "http://" << int(StartProblem::NoWebPrefix);
  QTest::newRow("upload, prefix without scheme") << one << 0 << "800" << "0" << "/o" << true << "example" << "pics.example.org" << int(StartProblem::NoWebPrefix);
  QTest::newRow("no upload, prefix ignored") << one << 0 << "800" << "0" << "/o" << false << "" << "" << int(StartProblem::None);
  QTest::newRow("upload with server") << one << 0 << "800" << "0" << "/o" << true << "example" << "http://pics.example.org" << int(StartProblem::None);
}

void TestBatchRun::startChecks() {
  QFETCH(QStringList, files);
  QFETCH(int, sizeMode);
  QFETCH(QString, width);
  QFETCH(QString, height);
  QFETCH(QString, folder);
  QFETCH(bool, upload);
  QFETCH(QString, server);
  QFETCH(QString, prefix);
  QFETCH(int, problem);
  ProcessingSettings s;
  s.files = files;
  s.sizeMode = sizeMode;
  s.widthText = width;
  s.heightText = height;
  s.outputFolder = folder;
  s.upload = upload;
  QCOMPARE(int(checkJob(s, server, prefix)), problem);
  QCOMPARE(asksToMinimise(s), upload);
  s.files = QStringList(101, QStringLiteral("/a.jpg"));
  QVERIFY(asksToMinimise(s));
  s.files.removeLast();
  QCOMPARE(asksToMinimise(s), upload);
}

void TestBatchRun::parallelEqualsSequential() {
  ProcessingSettings s;
  s.files = sources_;
  s.sizeMode = SizeFirstPreset; // custom
  s.widthText = QStringLiteral("400");
  s.heightText = QStringLiteral("300");
  s.outputFormat = OriginalFormatText;
  s.jpegQuality = 90;
  s.rename = true;
  QStringList folders;
  QList<RunSummary> summaries;
  for (int jobs : {1, 2, 4}) {
    s.outputFolder = dir_.filePath(QStringLiteral("par%1").arg(jobs));
    QDir().mkpath(s.outputFolder);
    BatchRun run(s);
    run.setJobs(jobs);
    summaries << run.run();
    folders << s.outputFolder;
  }
  const RunSummary &first = summaries[0];
  QCOMPARE(first.total, 6);
  QCOMPARE(first.saved, 5);
  QVERIFY(first.errorFlag);
  QVERIFY(first.errorText.startsWith(ErrorTextHeader));
  QVERIFY(first.errorText.contains(sources_[4] + QStringLiteral("在保存时发生错误:")));
  QVERIFY(first.outputPaths[4].isEmpty());
  QVERIFY(first.outputPaths[2].endsWith(QStringLiteral("Kuvo_0002.bmp")));
  QVERIFY(first.outputPaths[5].endsWith(QStringLiteral("Kuvo_0005.gif")));
  QCOMPARE(QImage(first.outputPaths[0]).size(), QSize(400, 300));
  for (int k = 1; k < summaries.size(); ++k) {
    QCOMPARE(summaries[k].errorText.replace(folders[k], folders[0]), first.errorText);
    QCOMPARE(summaries[k].saved, first.saved);
    const QStringList names = QDir(folders[k]).entryList(QDir::Files, QDir::Name);
    QCOMPARE(names, QDir(folders[0]).entryList(QDir::Files, QDir::Name));
    for (const QString &name : names)
      QVERIFY2(readAll(folders[k] + '/' + name) == readAll(folders[0] + '/' + name), qPrintable(name));
  }
}

void TestBatchRun::stopFinishesStartedPictures_data() {
  QTest::addColumn<int>("jobs");
  QTest::addColumn<int>("atLeast");
  QTest::newRow("one at a time") << 1 << 1;
  QTest::newRow("two at a time: the second was already started") << 2 << 2;
}

void TestBatchRun::stopFinishesStartedPictures() {
  QFETCH(int, jobs);
  QFETCH(int, atLeast);
  // Good pictures of one size only: with two workers running ahead, a broken or
  // tiny picture could be finished before the stop and change what is counted.
  ProcessingSettings s;
  const QString in = dir_.filePath(QStringLiteral("stopIn%1").arg(jobs));
  QDir().mkpath(in);
  for (int i = 0; i < 12; ++i) {
    s.files << in + QStringLiteral("/s%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
    QVERIFY(QFile::copy(sources_.first(), s.files.last()));
  }
  s.outputFolder = dir_.filePath(QStringLiteral("stop%1").arg(jobs));
  QDir().mkpath(s.outputFolder);
  BatchRun run(s);
  run.setJobs(jobs);
  StopAfter observer(run, 1);
  run.setObserver(&observer);
  const RunSummary summary = run.run();
  QVERIFY(summary.stopped);
  // Every picture started before the stop is finished and saved, no other.
  const int processed = summary.processed;
  QCOMPARE(processed, observer.started);
  QVERIFY(processed >= atLeast && processed < s.files.size());
  if (jobs == 1)
    QCOMPARE(processed, 1);
  QCOMPARE(summary.saved, processed);
  QCOMPARE(QDir(s.outputFolder).entryList(QDir::Files).size(), summary.saved);
  QCOMPARE(summary.closingText, QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹。"));
  QCOMPARE(observer.order.first(), 0);

  // The next run starts fresh and goes to the end.
  run.setObserver(nullptr);
  const RunSummary again = run.run();
  QVERIFY(!again.stopped);
  QCOMPARE(again.processed, s.files.size());
}

void TestBatchRun::errorsAndLog() {
  ProcessingSettings s;
  s.files = {sources_[0], sources_[4]};
  s.outputFolder = dir_.filePath(QStringLiteral("log"));
  QDir().mkpath(s.outputFolder);
  const QString logPath = s.outputFolder + QStringLiteral("/ErrorLog.txt");

  BatchRun quiet(s);
  const RunSummary noLog = quiet.run();
  QVERIFY(noLog.errorFlag);
  // Without the log the closing text still warns: a failure is never told as success.
  QCOMPARE(noLog.closingText,
           QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹。请注意,在图片处理或上传过程中发生错误。"));
  QVERIFY(!QFile::exists(logPath));

  s.saveErrorLog = true;
  for (int round = 0; round < 2; ++round) {
    BatchRun run(s);
    const RunSummary summary = run.run();
    QCOMPARE(summary.errorLogPath, logPath);
    QVERIFY(summary.closingText.endsWith(QStringLiteral("请注意,在图片处理或上传过程中发生错误。")));
    // Each run's log holds the header and only that run's errors.
    const QString expected =
        ErrorTextHeader + sources_[4] + QStringLiteral("在保存时发生错误:不是图片文件或文件已损坏.\r\n\r\n");
    QCOMPARE(QString::fromUtf8(readAll(logPath)), expected);
  }

  // A clean run neither writes a log nor warns.
  s.files = {sources_[0]};
  QFile::remove(logPath);
  BatchRun clean(s);
  const RunSummary ok = clean.run();
  QVERIFY(!ok.errorFlag);
  QVERIFY(!QFile::exists(logPath));
}

// Anchored placements reach the job's settings after the run, as they would
// one picture after another.
void TestBatchRun::placementsAreCommittedInOrder() {
  ProcessingSettings s;
  s.files = {sources_[0], sources_[1]};
  s.outputFolder = dir_.filePath(QStringLiteral("placement"));
  QDir().mkpath(s.outputFolder);
  s.pictureWatermarkOn = true;
  s.pictureWatermarkFile = sources_[2];
  s.pictureWatermarkAnchor = AnchorCenter;
  BatchRun run(s);
  run.setJobs(2);
  const RunSummary summary = run.run();
  QCOMPARE(summary.saved, 2);
  const ProcessingSettings after = run.currentSettings();
  QCOMPARE(after.pictureWatermarkX, 0.5);
  QCOMPARE(after.pictureWatermarkY, 0.5);
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batch_run.moc"
