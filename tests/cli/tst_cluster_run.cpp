// kuvo-batch split into shards: the union of the shards and --finish writes
// the bytes one run writes, and --finish refuses what cannot be merged.
#include <QtTest>

namespace {

struct Result {
  int exitCode = -1;
  QString err;
};

Result runBatch(const QStringList &args, const QStringList &env = {}, const QByteArray &input = {}) {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const QString &kv : env)
    e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
  p.setProcessEnvironment(e);
  p.start(QStringLiteral(KUVO_BIN_DIR "/kuvo-batch"), args);
  p.write(input);
  p.closeWriteChannel();
  Result r;
  if (!p.waitForFinished(120000))
    return r;
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

// The PDF records the second it was written; everything else must match.
QByteArray comparable(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    return QByteArray("unreadable");
  const QByteArray bytes = f.readAll();
  if (!path.endsWith(QLatin1String(".pdf")))
    return bytes;
  static const QRegularExpression created(QStringLiteral("/CreationDate \\(D:\\d+Z\\)"));
  return QString::fromLatin1(bytes).remove(created).toLatin1();
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
    QVERIFY2(comparable(one + QLatin1Char('/') + n) == comparable(cluster + QLatin1Char('/') + n), qPrintable(n));
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

QTEST_GUILESS_MAIN(TestClusterRun)
#include "tst_cluster_run.moc"
