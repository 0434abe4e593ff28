// Output folders that fail under the run: full, read-only, removed. Every
// failure is an error entry, the run goes on, and a good file is never
// replaced by a broken one. Full and read-only file systems are small tmpfs
// mounts made here, which needs root; elsewhere those cases are skipped.
#include "engine/batch_run.h"

#include <QtTest>
#include <unistd.h>

using namespace kuvo;

namespace {

bool run(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A tmpfs of the given size at dir, unmounted when the guard goes.
struct Mount {
  QString dir;
  bool ok = false;
  Mount(const QString &path, const QString &size) : dir(path) {
    QDir().mkpath(dir);
    ok = geteuid() == 0 &&
         run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", dir});
  }
  ~Mount() {
    if (ok)
      run(QStringLiteral("umount"), {dir});
  }
};

QString makeNoise(const QString &path, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  quint32 seed = 99;
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x)
      image.setPixel(x, y, 0xFF000000u | ((seed = seed * 1664525u + 1013904223u) >> 8));
  image.save(path, "PNG");
  return path;
}

class RemoveFolderAfterFirst : public BatchObserver {
public:
  explicit RemoveFolderAfterFirst(QString folder) : folder_(std::move(folder)) {}
  void pictureCommitted(const PictureOutcome &, int done, int) override {
    if (done == 1)
      QDir(folder_).removeRecursively();
  }

private:
  QString folder_;
};

} // namespace

class TestFilesystemFaults : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void fullDisk();
  void readOnlyFolder();
  void folderRemovedDuringRun();

private:
  QTemporaryDir dir_;
  QStringList sources_;
};

void TestFilesystemFaults::initTestCase() {
  for (int i = 0; i < 4; ++i)
    sources_ << makeNoise(dir_.filePath(QStringLiteral("noise%1.png").arg(i)), {400, 300});
}

void TestFilesystemFaults::fullDisk() {
  Mount small(dir_.filePath(QStringLiteral("small")), QStringLiteral("400k"));
  if (!small.ok)
    QSKIP("a small tmpfs cannot be mounted here (needs root)");
  // A good file already in place under the name of the second picture.
  const QString keep = small.dir + QStringLiteral("/noise1.png");
  QVERIFY(QImage(10, 10, QImage::Format_RGB32).save(keep, "PNG"));
  const QByteArray before = [&] {
    QFile f(keep);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();

  ProcessingSettings s;
  s.files = sources_;
  s.sizeMode = SizeOriginal;
  s.outputFormat = QStringLiteral("png"); // noise hardly compresses: ~360 KB a picture
  s.outputFolder = small.dir;
  BatchRun batch(s);
  batch.setJobs(2);
  const RunSummary summary = batch.run();
  QCOMPARE(summary.processed, 4);
  QVERIFY(summary.saved < 4);
  QCOMPARE(summary.errorText.count(QStringLiteral("在保存时发生错误:磁盘空间不足.")), 4 - summary.saved);
  // What is there is whole: every file decodes, nothing half-written.
  for (const QFileInfo &info : QDir(small.dir).entryInfoList(QDir::Files | QDir::Hidden)) {
    QVERIFY2(!QImage(info.filePath()).isNull(), qPrintable(info.fileName()));
    QVERIFY2(info.suffix() == QLatin1String("png"), qPrintable(info.fileName())); // no temporary left behind
  }
  if (summary.outputPaths[1].isEmpty()) {
    QFile f(keep);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before); // the failed save left the old file as it was
  }
}

void TestFilesystemFaults::readOnlyFolder() {
  Mount ro(dir_.filePath(QStringLiteral("ro")), QStringLiteral("2m"));
  if (!ro.ok || !run(QStringLiteral("mount"), {"-o", "remount,ro", ro.dir}))
    QSKIP("a read-only tmpfs cannot be mounted here (needs root)");
  ProcessingSettings s;
  s.files = sources_.mid(0, 2);
  s.outputFolder = ro.dir;
  s.saveErrorLog = true;
  BatchRun batch(s);
  const RunSummary summary = batch.run();
  QCOMPARE(summary.saved, 0);
  QCOMPARE(summary.errorText.count(QStringLiteral("在保存时发生错误:输出文件夹“%1”不可写.").arg(ro.dir)), 2);
  QVERIFY(summary.errorLogPath.isEmpty()); // the log cannot be written there either, and says so by its absence
  QVERIFY(summary.closingText.endsWith(QStringLiteral("请注意,在图片处理或上传过程中发生错误。")));
}

void TestFilesystemFaults::folderRemovedDuringRun() {
  ProcessingSettings s;
  s.files = sources_;
  s.outputFolder = dir_.filePath(QStringLiteral("vanishing"));
  QDir().mkpath(s.outputFolder);
  BatchRun batch(s);
  batch.setJobs(1);
  RemoveFolderAfterFirst observer(s.outputFolder);
  batch.setObserver(&observer);
  const RunSummary summary = batch.run();
  QCOMPARE(summary.processed, 4);
  QCOMPARE(summary.saved, 1);
  QCOMPARE(summary.errorText.count(QStringLiteral("在保存时发生错误:输出文件夹“%1”不存在.").arg(s.outputFolder)), 3);
  QVERIFY(!QFileInfo::exists(s.outputFolder)); // nothing recreated it behind the user's back
}

QTEST_GUILESS_MAIN(TestFilesystemFaults)
#include "tst_filesystem_faults.moc"
