// kuvo-batch with tiled watermarks: the options, the same job from a job
// file, and parallel runs that write the same bytes.
#include "batch_process.h"

#include <QtTest>

namespace {

using Result = BatchResult;

Result runBatch(const QStringList &args) {
  return runBatchProcess(args);
}

QByteArray fileBytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int darkest(const QImage &image, QRect rect) {
  int lowest = 255;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      lowest = std::min(lowest, qGray(image.pixel(x, y)));
  return lowest;
}

} // namespace

class TestTiledBatch : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QStringList pictures_;
  QString mark_;

  QStringList tileOptions() const {
    return {"--format", "png", "--size", "original", "--watermark", mark_, "--watermark-anchor", "tile",
            "--tile-angle", "20", "--tile-spacing", "50", "--opacity", "60", "--text", "Kuvo", "--text-anchor",
            "tile", "--text-opacity", "50", "--font-size", "12", "--quiet"};
  }

private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    int i = 0;
    for (const QSize size : {QSize(640, 480), QSize(300, 700), QSize(900, 200), QSize(500, 500)}) {
      QImage image(size, QImage::Format_RGB32);
      image.fill(QColor(250, 250, 240));
      const QString path = dir_.filePath(QStringLiteral("in/p%1.jpg").arg(i++));
      QDir().mkpath(QFileInfo(path).path());
      QVERIFY(image.save(path, "JPEG", 95));
      pictures_ << path;
    }
    QImage mark(30, 16, QImage::Format_ARGB32);
    mark.fill(Qt::black);
    mark_ = dir_.filePath(QStringLiteral("mark.png"));
    QVERIFY(mark.save(mark_));
  }

  void badValues_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("angle past 90") << QStringList{"--tile-angle", "91"} << "--tile-angle";
    QTest::newRow("negative spacing") << QStringList{"--tile-spacing", "-1"} << "--tile-spacing";
    QTest::newRow("text opacity") << QStringList{"--text-opacity", "101"} << "--text-opacity";
    QTest::newRow("unknown anchor") << QStringList{"--text-anchor", "tiles"} << "tile";
  }
  void badValues() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Result r = runBatch(args + QStringList{"-o", dir_.filePath("bad"), pictures_.first()});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
  }

  void optionsJobFileAndJobsAgree() {
    const QString one = dir_.filePath(QStringLiteral("one")), two = dir_.filePath(QStringLiteral("two")),
                  fromJob = dir_.filePath(QStringLiteral("job"));
    QCOMPARE(runBatch(tileOptions() + QStringList{"-o", one, "--jobs", "1"} + pictures_).exitCode, 0);
    QCOMPARE(runBatch(tileOptions() + QStringList{"-o", two, "--jobs", "2"} + pictures_).exitCode, 0);

    // The same job written as the window would store it.
    const QString jobPath = dir_.filePath(QStringLiteral("tile.ini"));
    QFile job(jobPath);
    QVERIFY(job.open(QIODevice::WriteOnly));
    job.write(QStringLiteral("[Options]\nsOutFormat=png\niuSize=2\nsuISyF=%1\niImgPos=6\niuSYAlpha=60\n"
                             "iTileAngle=20\niTileSpacing=50\nsText=Kuvo\niTextPos=6\niTextAlpha=50\niSize=12\n")
                  .arg(mark_)
                  .toUtf8());
    job.close();
    const Result r = runBatch({"--job", jobPath, "-o", fromJob, "--quiet", "--jobs", "2", pictures_[0], pictures_[1],
                               pictures_[2], pictures_[3]});
    QVERIFY2(r.exitCode == 0 && r.err.isEmpty(), qPrintable(r.err));

    for (int i = 0; i < pictures_.size(); ++i) {
      const QString name = QStringLiteral("/p%1.png").arg(i);
      const QByteArray bytes = fileBytes(one + name);
      QVERIFY(!bytes.isEmpty());
      QVERIFY2(fileBytes(two + name) == bytes, qPrintable(name));
      QVERIFY2(fileBytes(fromJob + name) == bytes, qPrintable(name));
      // The copies reach all four corners of every shape.
      const QImage image = QImage::fromData(bytes);
      const int W = image.width(), H = image.height(), r = 90;
      for (const QPoint corner : {QPoint(0, 0), QPoint(W - r, 0), QPoint(0, H - r), QPoint(W - r, H - r)})
        QVERIFY2(darkest(image, QRect(corner, QSize(r, r))) < 150, qPrintable(name));
    }
  }
};

QTEST_GUILESS_MAIN(TestTiledBatch)

#include "tst_tiled_batch.moc"
