// kuvo-batch split into shards: the union of the shards and --finish writes
// the bytes one run writes, and --finish refuses what cannot be merged.
#include "../publish/ftp_test_server.h"

#include "batch_process.h"

#include <QtTest>

namespace {

using Result = BatchResult;

Result runBatch(const QStringList &args, const QStringList &env = {}, const QByteArray &input = {},
                const QString &program = QStringLiteral(KUVO_BIN_DIR "/kuvo-batch")) {
  BatchCall call;
  call.program = program;
  // One fixed time for every process, so the PDFs compare whole.
  call.env = QStringList{QStringLiteral("SOURCE_DATE_EPOCH=1767225600")} + env;
  call.input = input;
  return runBatchProcess(args, call);
}

QByteArray contents(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable");
}

QStringList outputs(const QString &folder) {
  QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
  names.removeIf([](const QString &n) { return n.startsWith(QLatin1String("kuvo-results-")); });
  return names;
}

} // namespace

class TestClusterRun : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void shardsWriteWhatOneRunWrites_data();
  void shardsWriteWhatOneRunWrites();
  void finishRefuses_data();
  void finishRefuses();
  void shardFromScheduler_data();
  void shardFromScheduler();
  void nulSeparatedListFromStandardInput();
  void resubmittedShardDoesNothingLeft();
  void killedShardResumes();
  void outputOfThisRunSkippedIsNotTwice();
  void resumedRunPdfHoldsEveryPicture();
  void uploadsThroughShards();

private:
  QString shardedRun(const QString &name, const QStringList &options, int count);
  QTemporaryDir dir_;
  QString list_;
};

void TestClusterRun::initTestCase() {
  const QString in = dir_.filePath(QStringLiteral("in"));
  QDir().mkpath(in);
  const QStringList names{"a.jpg", "b.png", "c.bmp", "d.webp", "e.tiff", "f.jpg", "g.png"};
  QStringList paths;
  for (int i = 0; i < names.size(); ++i) {
    QImage image(40 + 4 * i, 30, QImage::Format_RGB32);
    image.fill(QColor(30 * i, 120, 200 - 20 * i));
    paths << in + QLatin1Char('/') + names[i];
    QVERIFY(image.save(paths.last()));
  }
  // One entry that is not a picture: its error entry and gap must survive the merge.
  QFile broken(in + QStringLiteral("/x.jpg"));
  QVERIFY(broken.open(QIODevice::WriteOnly));
  broken.write("not a picture");
  paths.insert(3, broken.fileName());
  list_ = dir_.filePath(QStringLiteral("list.txt"));
  QFile list(list_);
  QVERIFY(list.open(QIODevice::WriteOnly));
  list.write(paths.join(QLatin1Char('\n')).toUtf8() + '\n');
}

// Runs count shards and the finish step into a folder of its own.
QString TestClusterRun::shardedRun(const QString &name, const QStringList &options, int count) {
  const QString out = dir_.filePath(name);
  for (int k = 0; k < count; ++k)
    runBatch(options +
             QStringList{"--files-from", list_, "-o", out, "--shard", QStringLiteral("%1/%2").arg(k).arg(count)});
  return out;
}

void TestClusterRun::shardsWriteWhatOneRunWrites_data() {
  QTest::addColumn<QStringList>("options");
  const QStringList common{"--quiet", "--width",     "32",     "--rename", "Foto_",         "--digits", "3",
                           "--pdf",   "--error-log", "--text", "Kuvo",     "--text-anchor", "center"};
  for (const char *format : {"jpg", "png", "tiff", "bmp", "webp", "original"})
    QTest::newRow(format) << common + QStringList{"--format", format};
  QTest::newRow("own names") << QStringList{"--quiet", "--format", "png", "--pdf"};
}

void TestClusterRun::shardsWriteWhatOneRunWrites() {
  QFETCH(QStringList, options);
  const QString one = dir_.filePath(QStringLiteral("one-") + QTest::currentDataTag());
  QCOMPARE(runBatch(options + QStringList{"--files-from", list_, "-o", one}).exitCode, 1);
  const QString cluster = shardedRun(QStringLiteral("cluster-") + QTest::currentDataTag(), options, 3);
  const Result finish = runBatch({"--finish", cluster});
  QCOMPARE(finish.exitCode, 1); // the broken picture
  QVERIFY2(finish.err.contains(QStringLiteral("x.jpg")), qPrintable(finish.err));

  const QStringList names = outputs(one);
  QCOMPARE(outputs(cluster), names);
  QVERIFY(names.size() >= 8); // seven pictures and the PDF at least
  for (const QString &n : names)
    QVERIFY2(contents(one + QLatin1Char('/') + n) == contents(cluster + QLatin1Char('/') + n), qPrintable(n));
}

void TestClusterRun::finishRefuses_data() {
  QTest::addColumn<QString>("damage");
  QTest::addColumn<QString>("message");
  QTest::newRow("shard missing") << "remove 1"
                                 << "缺少分片 1";
  QTest::newRow("other job") << "rerun 2 with --quality 50"
                             << "不同的设置或图片列表";
  QTest::newRow("options differ") << "finish with --quality 50"
                                  << "给出的设置与分片运行时的设置不同";
  QTest::newRow("shard incomplete") << "cut 0"
                                    << "没有处理完";
  QTest::newRow("another split") << "rerun 0 of 2"
                                 << "份的两次任务的结果文件";
}

void TestClusterRun::finishRefuses() {
  QFETCH(QString, damage);
  QFETCH(QString, message);
  const QStringList options{"--quiet", "--pdf", "--width", "32"};
  const QString out = shardedRun(QStringLiteral("refuse-") + QTest::currentDataTag(), options, 3);
  const QString results0 = out + QStringLiteral("/kuvo-results-0-of-3.jsonl");
  QStringList finishArgs{"--finish", out};
  if (damage == QLatin1String("remove 1")) {
    QVERIFY(QFile::remove(out + QStringLiteral("/kuvo-results-1-of-3.jsonl")));
  } else if (damage == QLatin1String("rerun 2 with --quality 50")) {
    runBatch(options + QStringList{"--quality", "50", "--files-from", list_, "-o", out, "--shard", "2/3"});
  } else if (damage == QLatin1String("finish with --quality 50")) {
    finishArgs << options << QStringList{"--quality", "50"};
  } else if (damage == QLatin1String("cut 0")) {
    QFile f(results0);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray kept = f.readLine(); // the header
    kept += f.readLine();           // and the first picture
    f.close();
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(kept);
  } else {
    runBatch(options + QStringList{"--files-from", list_, "-o", out, "--shard", "0/2"});
  }
  const Result r = runBatch(finishArgs);
  QCOMPARE(r.exitCode, 2);
  QVERIFY2(r.err.contains(message), qPrintable(r.err));
  QVERIFY(!QFile::exists(out + QStringLiteral("/Kuvo图片集.pdf")));
}

void TestClusterRun::shardFromScheduler_data() {
  QTest::addColumn<QString>("shard");
  QTest::addColumn<QStringList>("env");
  QTest::addColumn<QString>("expected"); // results file, or the message
  QTest::newRow("slurm array 4-5") << "slurm"
                                   << QStringList{"SLURM_ARRAY_TASK_ID=5", "SLURM_ARRAY_TASK_MIN=4",
                                                  "SLURM_ARRAY_TASK_COUNT=2"}
                                   << "kuvo-results-1-of-2.jsonl";
  QTest::newRow("k8s index") << "k8s/3" << QStringList{"JOB_COMPLETION_INDEX=2"} << "kuvo-results-2-of-3.jsonl";
  QTest::newRow("not in an array") << "slurm" << QStringList{"SLURM_ARRAY_TASK_ID="} << "需要在 Slurm 任务数组中运行";
  QTest::newRow("index past count") << "k8s/3" << QStringList{"JOB_COMPLETION_INDEX=3"} << "不在 0 到 2 之间";
  QTest::newRow("K/N malformed") << "1-3" << QStringList{} << "需要 K/N";
}

void TestClusterRun::shardFromScheduler() {
  QFETCH(QString, shard);
  QFETCH(QStringList, env);
  QFETCH(QString, expected);
  const QString out = dir_.filePath(QStringLiteral("env-") + QTest::currentDataTag());
  const Result r = runBatch({"--quiet", "--files-from", list_, "-o", out, "--shard", shard}, env);
  if (expected.endsWith(QLatin1String(".jsonl"))) {
    QCOMPARE(QDir(out).entryList({"kuvo-results-*"}), QStringList{expected});
  } else {
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(expected), qPrintable(r.err));
  }
}

void TestClusterRun::nulSeparatedListFromStandardInput() {
  // A name with a line break survives a NUL-separated list; a folder expands.
  const QString in = dir_.filePath(QStringLiteral("nul"));
  QDir().mkpath(in + QStringLiteral("/folder"));
  QImage image(20, 20, QImage::Format_RGB32);
  image.fill(Qt::red);
  QVERIFY(image.save(in + QStringLiteral("/two\nlines.png")));
  QVERIFY(image.save(in + QStringLiteral("/folder/inner.png")));
  const QByteArray list =
      (in + QStringLiteral("/two\nlines.png")).toUtf8() + '\0' + (in + QStringLiteral("/folder")).toUtf8() + '\0';
  const QString out = dir_.filePath(QStringLiteral("nul-out"));
  const Result r =
      runBatch({"--quiet", "--format", "png", "-0", "--files-from", "-", "--rename", "n", "-o", out}, {}, list);
  QCOMPARE(r.exitCode, 0);
  QCOMPARE(outputs(out), (QStringList{"n0000.png", "n0001.png"}));
}

void TestClusterRun::resubmittedShardDoesNothingLeft() {
  const QStringList args{"--width",      "32",  "--format", "png",
                         "--files-from", list_, "-o",       dir_.filePath(QStringLiteral("again")),
                         "--shard",      "1/3"};
  QCOMPARE(runBatch(args).exitCode, 0); // entries 1, 4, 7: all pictures
  const Result again = runBatch(args);
  QCOMPARE(again.exitCode, 0);
  QVERIFY2(again.err.contains(QStringLiteral("已经完成")), qPrintable(again.err));
  // Other settings are another job: the shard runs again.
  QVERIFY(!runBatch(args + QStringList{"--quality", "70"}).err.contains(QStringLiteral("已经完成")));
}

// A shard killed mid-way and re-submitted with --existing skip makes only
// what is left, and the finish writes what one uninterrupted run writes.
void TestClusterRun::killedShardResumes() {
  const QString in = dir_.filePath(QStringLiteral("kill-in"));
  QDir().mkpath(in);
  QStringList paths;
  for (int i = 0; i < 30; ++i) {
    // Noise, so each picture takes a while to encode and the kill lands mid-way.
    QImage image(160, 120, QImage::Format_RGB32);
    quint32 seed = 7919u * (i + 1);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        image.setPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
    paths << in + QStringLiteral("/p%1.png").arg(i, 2, 10, QLatin1Char('0'));
    QVERIFY(image.save(paths.last()));
  }
  QFile broken(paths[5]); // a failed picture of the killed shard is tried again
  QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
  broken.write("not a picture");
  broken.close();
  const QString list = dir_.filePath(QStringLiteral("kill-list.txt"));
  QFile listFile(list);
  QVERIFY(listFile.open(QIODevice::WriteOnly));
  listFile.write(paths.join(QLatin1Char('\n')).toUtf8());
  listFile.close();

  const QStringList options{"--quiet", "-j",      "1",     "--width",     "640",    "--format", "png",
                            "--rename", "Foto_", "--pdf", "--error-log", "--text", "Kuvo",     "--files-from", list};
  const QString one = dir_.filePath(QStringLiteral("kill-one"));
  QCOMPARE(runBatch(options + QStringList{"-o", one}).exitCode, 1);

  const QString out = dir_.filePath(QStringLiteral("kill-cluster"));
  QCOMPARE(runBatch(options + QStringList{"-o", out, "--shard", "0/2"}).exitCode, 0);
  const QString results1 = out + QStringLiteral("/kuvo-results-1-of-2.jsonl");
  {
    QProcess shard;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1767225600"));
    shard.setProcessEnvironment(e);
    shard.start(QStringLiteral(KUVO_BIN_DIR "/kuvo-batch"), options + QStringList{"-o", out, "--shard", "1/2"});
    QVERIFY(shard.waitForStarted());
    while (outputs(out).size() < 15 + 3 && shard.state() == QProcess::Running)
      QThread::msleep(2);
    shard.kill();
    shard.waitForFinished();
  }
  if (QFile::exists(results1)) {
    // The machine outran the kill: leave what a kill after a few pictures leaves.
    qInfo("shard 1 ended before the kill; its later pictures are removed instead");
    QVERIFY(QFile::remove(results1));
    for (int i = 11; i < 30; i += 2)
      QFile::remove(out + QStringLiteral("/Foto_%1.png").arg(i, 4, 10, QLatin1Char('0')));
  }
  // What the killed shard left is whole pictures only; their time is set
  // back so the resumed run can be seen leaving them alone.
  const QDateTime old(QDate(2001, 1, 1), QTime(12, 0));
  QStringList left;
  for (const QString &n : outputs(out)) {
    QFile f(out + QLatin1Char('/') + n);
    QVERIFY2(n.endsWith(QLatin1String(".png")) && !QImage(f.fileName()).isNull(), qPrintable(n));
    QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
    left << n;
  }
  QVERIFY(left.size() < 15 + 14); // shard 1 did not get through its 14 pictures

  const Result refused = runBatch({"--finish", out});
  QCOMPARE(refused.exitCode, 2);
  for (const char *k : {"0", "1"})
    runBatch(options + QStringList{"--existing", "skip", "-o", out, "--shard", QStringLiteral("%1/2").arg(k)});
  const Result finish = runBatch({"--finish", out});
  QCOMPARE(finish.exitCode, 1); // the broken picture
  QCOMPARE(outputs(out), outputs(one));
  for (const QString &n : outputs(one))
    QVERIFY2(contents(one + QLatin1Char('/') + n) == contents(out + QLatin1Char('/') + n), qPrintable(n));
  for (const QString &n : left)
    QCOMPARE(QFileInfo(out + QLatin1Char('/') + n).lastModified(), old);
}

// Two pictures of one name under --existing skip: the second finds the file
// the first just wrote, and the merge must not list that file twice.
void TestClusterRun::outputOfThisRunSkippedIsNotTwice() {
  QStringList paths;
  for (const char *sub : {"twice/a", "twice/b"}) {
    QDir().mkpath(dir_.filePath(sub));
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(sub[6] == 'a' ? Qt::red : Qt::blue);
    paths << dir_.filePath(QStringLiteral("%1/same.png").arg(sub));
    QVERIFY(image.save(paths.last()));
  }
  const QStringList options = QStringList{"--quiet", "--format", "png", "--pdf", "--existing", "skip"} + paths;
  const QString one = dir_.filePath(QStringLiteral("twice-one")), cluster = dir_.filePath(QStringLiteral("twice-shard"));
  QCOMPARE(runBatch(options + QStringList{"-o", one}).exitCode, 0);
  QCOMPARE(runBatch(options + QStringList{"-o", cluster, "--shard", "0/1"}).exitCode, 0);
  QCOMPARE(runBatch({"--finish", cluster}).exitCode, 0);
  const QString pdf = QStringLiteral("/Kuvo图片集.pdf");
  QCOMPARE(contents(cluster + pdf), contents(one + pdf));
}

// One run resumed with --existing skip: the PDF still holds every picture,
// the ones left from the first attempt too.
void TestClusterRun::resumedRunPdfHoldsEveryPicture() {
  QStringList paths;
  for (const char *name : {"r0", "r1", "r2"}) {
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(name[1] * 40, 90, 160));
    paths << dir_.filePath(QStringLiteral("resume-%1.png").arg(QLatin1String(name)));
    QVERIFY(image.save(paths.last()));
  }
  const QString out = dir_.filePath(QStringLiteral("resume-out"));
  const QStringList options = QStringList{"--quiet", "--format", "png", "--pdf", "-o", out} + paths;
  QCOMPARE(runBatch(options).exitCode, 0);
  const QString pdf = out + QStringLiteral("/Kuvo图片集.pdf");
  const QByteArray whole = contents(pdf);
  QVERIFY(QFile::remove(out + QStringLiteral("/resume-r1.png")) && QFile::remove(pdf));
  QCOMPARE(runBatch(options + QStringList{"--existing", "skip"}).exitCode, 0);
  QCOMPARE(contents(pdf), whole);
}

// Shards upload their pictures; a shard re-run with --existing skip keeps the
// addresses of the pictures it left alone and uploads only what it makes
// again, and the finish writes the link page one run writes.
void TestClusterRun::uploadsThroughShards() {
  FtpTestServer server;
  QVERIFY(server.running());
  // A copy of the program keeps the upload history out of the build tree.
  const QString program = dir_.filePath(QStringLiteral("ftp-bin/kuvo-batch"));
  QDir().mkpath(dir_.filePath(QStringLiteral("ftp-bin")));
  QVERIFY(QFile::copy(QStringLiteral(KUVO_BIN_DIR "/kuvo-batch"), program));
  const QString password = dir_.filePath(QStringLiteral("ftp-password"));
  QFile pw(password);
  QVERIFY(pw.open(QIODevice::WriteOnly));
  pw.write("secret\n");
  pw.close();
  const QStringList options{"--quiet",      "--width",    "32",        "--format",       "png",
                            "--rename",     "Foto_",      "--error-log", "--upload",     server.address(),
                            "--ftp-user",   "kuvo",       "--ftp-password-file", password, "--web-prefix",
                            "http://pics.example.org/kuvo", "--files-from", list_};
  const QString one = dir_.filePath(QStringLiteral("ftp-one")), cluster = dir_.filePath(QStringLiteral("ftp-cluster"));
  QCOMPARE(runBatch(options + QStringList{"-o", one}, {}, {}, program).exitCode, 1); // the broken picture
  const QStringList remote = QDir(server.root()).entryList(QDir::Files);
  QCOMPARE(remote.size(), 7);
  for (const QString &name : remote)
    QVERIFY(QFile::remove(server.root() + QLatin1Char('/') + name));

  for (int k = 0; k < 3; ++k)
    runBatch(options + QStringList{"-o", cluster, "--shard", QStringLiteral("%1/3").arg(k)}, {}, {}, program);
  QCOMPARE(QDir(server.root()).entryList(QDir::Files), remote);
  // Shard 1 lost one of its pictures (entries 1, 4 and 7): run again, only
  // that one is made and sent.
  QVERIFY(QFile::remove(cluster + QStringLiteral("/Foto_0004.png")));
  QVERIFY(QFile::remove(server.root() + QStringLiteral("/") + remote.filter(QStringLiteral("Foto_0004")).value(0)));
  QVERIFY(QFile::remove(server.root() + QStringLiteral("/") + remote.filter(QStringLiteral("Foto_0007")).value(0)));
  runBatch(options + QStringList{"--existing", "skip", "-o", cluster, "--shard", "1/3"}, {}, {}, program);
  QCOMPARE(QDir(server.root()).entryList(QDir::Files).size(), 6); // Foto_0007 was kept, not sent again

  // Shard 2 was killed after its pictures: its journal is there, with a cut
  // last line, and no results file. Run again, it keeps the addresses.
  const QString results2 = cluster + QStringLiteral("/kuvo-results-2-of-3.jsonl");
  QVERIFY(QFile::rename(results2, results2 + QStringLiteral(".partial")));
  QFile journal(results2 + QStringLiteral(".partial"));
  QVERIFY(journal.open(QIODevice::Append));
  journal.write("{\"index\":5,\"sou");
  journal.close();
  runBatch(options + QStringList{"--existing", "skip", "-o", cluster, "--shard", "2/3"}, {}, {}, program);
  QVERIFY(!journal.exists());
  QCOMPARE(QDir(server.root()).entryList(QDir::Files).size(), 6); // nothing sent again

  const Result finish = runBatch({"--finish", cluster}, {}, {}, program);
  QCOMPARE(finish.exitCode, 1);
  QCOMPARE(outputs(cluster), outputs(one));
  for (const QString &n : outputs(one))
    QVERIFY2(contents(one + QLatin1Char('/') + n) == contents(cluster + QLatin1Char('/') + n), qPrintable(n));
  QVERIFY(outputs(one).contains(QStringLiteral("PicURL.htm")));

  // With its results and journal lost, shard 2 left its pictures but no
  // addresses: the finish says so and fails.
  QVERIFY(QFile::remove(cluster + QStringLiteral("/kuvo-results-2-of-3.jsonl")));
  runBatch(options + QStringList{"--existing", "skip", "-o", cluster, "--shard", "2/3"}, {}, {}, program);
  const Result unsent = runBatch({"--finish", cluster}, {}, {}, program);
  QCOMPARE(unsent.exitCode, 1);
  QVERIFY2(unsent.err.contains(QStringLiteral("2 张图片已保存但没有上传地址")), qPrintable(unsent.err));
}

QTEST_GUILESS_MAIN(TestClusterRun)
#include "tst_cluster_run.moc"
