// Effects and rotations reach the saved file byte for byte: kuvo-batch at the
// picture's own size into BMP must equal the imaging routines applied directly.
#include "imaging/effects.h"
#include "imaging/rotation.h"

#include <QtTest>

using namespace kuvo;

class TestEffectsThroughBatch : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void matches_data();
  void matches();

private:
  QTemporaryDir dir_;
  QString source_;
  QImage picture_;
};

void TestEffectsThroughBatch::initTestCase() {
  // An odd width, so rows of the 24-bit surface carry padding.
  picture_ = QImage(37, 23, QImage::Format_RGB32);
  for (int y = 0; y < picture_.height(); ++y)
    for (int x = 0; x < picture_.width(); ++x)
      picture_.setPixel(x, y, qRgb((x * 41 + y * 7) % 256, (x * 3 + y * 29) % 256, (x * y * 13) % 256));
  source_ = dir_.filePath(QStringLiteral("pattern.png"));
  QVERIFY(picture_.save(source_));
}

void TestEffectsThroughBatch::matches_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("effect");
  QTest::addColumn<int>("brightness");
  QTest::addColumn<int>("rotate");
  const char *effects[] = {"beautify", "sharpen", "warm",      "purple", "sepia", "night",
                           "old",      "scanlines", "emboss", "grey",   "mono",  "negative"};
  for (int e = 0; e < 12; ++e)
    QTest::newRow(effects[e]) << QStringList{"--effect", effects[e]} << e << 0 << 0;
  QTest::newRow("brightness") << QStringList{"--brightness", "-40"} << 12 << -40 << 0;
  const char *turns[] = {"cw", "ccw", "180", "flip-rows", "flip-columns"};
  for (int r = 0; r < 5; ++r)
    QTest::newRow(turns[r]) << QStringList{"--rotate", turns[r]} << -1 << 0 << r + 3;
  QTest::newRow("turn, then effect") << QStringList{"--rotate", "cw", "--effect", "emboss"} << 8 << 0 << 3;
}

void TestEffectsThroughBatch::matches() {
  QFETCH(QStringList, args);
  QFETCH(int, effect);
  QFETCH(int, brightness);
  QFETCH(int, rotate);
  const QString out = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
  QProcess batch;
  batch.start(QStringLiteral(KUVO_BIN_DIR "/kuvo-batch"),
              QStringList{"-o", out, "--quiet", "--size", "original", "--format", "bmp"} + args << source_);
  QVERIFY(batch.waitForFinished(60000));
  QCOMPARE(batch.exitCode(), 0);

  QImage expected = picture_;
  if (rotate > 1)
    expected = RotateImage(expected, rotate, 0);
  if (effect >= 0)
    applyEffect(expected, effect, brightness);
  const QImage written(out + QStringLiteral("/pattern.bmp"));
  QCOMPARE(written.size(), expected.size());
  QCOMPARE(written.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
}

QTEST_GUILESS_MAIN(TestEffectsThroughBatch)
#include "tst_effects_through_batch.moc"
