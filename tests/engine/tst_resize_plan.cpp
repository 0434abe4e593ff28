// Geometry of the resize step: canvas size, source and destination rectangles.
#include "engine/load_and_resize.h"

#include <QtTest>

using namespace kuvo;

class TestResizePlan : public QObject {
  Q_OBJECT
private slots:
  void plan_data();
  void plan();
  void noAnswerWithoutPixels();
  void roundsHalvesToEven_data();
  void roundsHalvesToEven();
  void drawsThroughLoadAndResize();
  void cacheAnswersOnlyTheSameFile();
};

void TestResizePlan::plan_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<bool>("crop");
  QTest::addColumn<int>("anchorX");
  QTest::addColumn<int>("anchorY");
  QTest::addColumn<QPointF>("origin");
  QTest::addColumn<bool>("keepSmall");
  QTest::addColumn<QSizeF>("target");
  QTest::addColumn<QSizeF>("source");
  QTest::addColumn<QSizeF>("border");
  QTest::addColumn<QSizeF>("canvas");
  QTest::addColumn<QRectF>("src");
  QTest::addColumn<QRectF>("dst");

  const int custom = SizeFirstPreset; // no presets: the custom entry follows the fixed ones
  const QPointF o(0, 0);
  QTest::newRow("fixed width ignores height")
      << int(SizeFixedWidth) << true << 1 << 0 << o << false << QSizeF(800, 300) << QSizeF(1600, 1200) << QSizeF()
      << QSizeF(800, 600) << QRectF(0, 0, 1600, 1200) << QRectF(0, 0, 800, 600);
  QTest::newRow("crop wider, centre")
      << custom << true << 1 << 0 << o << false << QSizeF(800, 800) << QSizeF(1600, 1200) << QSizeF()
      << QSizeF(800, 800) << QRectF(200, 0, 1200, 1200) << QRectF(0, 0, 800, 800);
  QTest::newRow("crop wider, left") << custom << true << 0 << 0 << o << false << QSizeF(800, 800)
                                    << QSizeF(1600, 1200) << QSizeF() << QSizeF(800, 800)
                                    << QRectF(0, 0, 1200, 1200) << QRectF(0, 0, 800, 800);
  QTest::newRow("crop wider, right") << custom << true << 2 << 0 << o << false << QSizeF(800, 800)
                                     << QSizeF(1600, 1200) << QSizeF() << QSizeF(800, 800)
                                     << QRectF(400, 0, 1200, 1200) << QRectF(0, 0, 800, 800);
  QTest::newRow("crop taller, top") << custom << true << 1 << 0 << o << false << QSizeF(800, 800)
                                    << QSizeF(1200, 1600) << QSizeF() << QSizeF(800, 800)
                                    << QRectF(0, 0, 1200, 1200) << QRectF(0, 0, 800, 800);
  QTest::newRow("crop taller, bottom") << custom << true << 1 << 2 << o << false << QSizeF(800, 800)
                                       << QSizeF(1200, 1600) << QSizeF() << QSizeF(800, 800)
                                       << QRectF(0, 400, 1200, 1200) << QRectF(0, 0, 800, 800);
  QTest::newRow("crop, unknown anchor keeps 0") << custom << true << 7 << 0 << o << false << QSizeF(800, 800)
                                                << QSizeF(1600, 1200) << QSizeF() << QSizeF(800, 800)
                                                << QRectF(0, 0, 1200, 1200) << QRectF(0, 0, 800, 800);
  QTest::newRow("crop keeps the start point") << custom << true << 1 << 0 << QPointF(10, 20) << false
                                              << QSizeF(800, 800) << QSizeF(1600, 1200) << QSizeF()
                                              << QSizeF(800, 800) << QRectF(200, 0, 1200, 1200)
                                              << QRectF(10, 20, 800, 800);
  QTest::newRow("fit wider: bands above and below")
      << custom << false << 1 << 0 << o << false << QSizeF(800, 800) << QSizeF(1600, 1200) << QSizeF()
      << QSizeF(800, 800) << QRectF(0, 0, 1600, 1200) << QRectF(0, 100, 800, 600);
  QTest::newRow("fit wider with start point") << custom << false << 1 << 0 << QPointF(0, 20) << false
                                              << QSizeF(800, 800) << QSizeF(1600, 1200) << QSizeF()
                                              << QSizeF(800, 800) << QRectF(0, 0, 1600, 1200)
                                              << QRectF(0, 120, 800, 560);
  QTest::newRow("fit taller: bands left and right")
      << custom << false << 1 << 0 << o << false << QSizeF(800, 800) << QSizeF(1200, 1600) << QSizeF()
      << QSizeF(800, 800) << QRectF(0, 0, 1200, 1600) << QRectF(100, 0, 600, 800);
  QTest::newRow("fit, equal ratio counts as wider")
      << custom << false << 1 << 0 << QPointF(30, 40) << false << QSizeF(800, 600) << QSizeF(1600, 1200)
      << QSizeF() << QSizeF(800, 600) << QRectF(0, 0, 1600, 1200) << QRectF(0, 40, 800, 520);
  QTest::newRow("original size") << int(SizeOriginal) << true << 1 << 0 << QPointF(5, 6) << false
                                 << QSizeF(800, 600) << QSizeF(1000, 500) << QSizeF() << QSizeF(1000, 500)
                                 << QRectF(0, 0, 1000, 500) << QRectF(5, 6, 1000, 500);
  QTest::newRow("keep small: one side fits") << custom << true << 1 << 0 << o << true << QSizeF(800, 600)
                                             << QSizeF(1000, 500) << QSizeF() << QSizeF(1000, 500)
                                             << QRectF(0, 0, 1000, 500) << QRectF(0, 0, 1000, 500);
  QTest::newRow("keep small: zero target does not apply")
      << custom << true << 1 << 0 << o << true << QSizeF(0, 0) << QSizeF(100, 50) << QSizeF() << QSizeF()
      << QRectF() << QRectF();
  QTest::newRow("border size") << int(SizeFitBorder) << true << 1 << 0 << o << false << QSizeF(800, 0)
                               << QSizeF(1600, 1200) << QSizeF(640, 480) << QSizeF(640, 480)
                               << QRectF(0, 0, 1600, 1200) << QRectF(0, 0, 640, 480);
}

void TestResizePlan::plan() {
  QFETCH(int, mode);
  QFETCH(bool, crop);
  QFETCH(int, anchorX);
  QFETCH(int, anchorY);
  QFETCH(QPointF, origin);
  QFETCH(bool, keepSmall);
  QFETCH(QSizeF, target);
  QFETCH(QSizeF, source);
  QFETCH(QSizeF, border);
  QFETCH(QSizeF, canvas);
  QFETCH(QRectF, src);
  QFETCH(QRectF, dst);

  ProcessingSettings s;
  s.sizeMode = mode;
  s.cropToFit = crop;
  s.cropAnchorX = anchorX;
  s.cropAnchorY = anchorY;
  s.originX = float(origin.x());
  s.originY = float(origin.y());
  s.keepSmall = keepSmall;
  if (!border.isEmpty())
    s.borderFile = QStringLiteral("/frames/border.png");
  const auto plan = planResize(s, target.width(), target.height(), source.width(), source.height(), border);
  if (canvas.isEmpty()) {
    QVERIFY(!plan);
    return;
  }
  QVERIFY(plan);
  QCOMPARE(QSizeF(plan->canvasWidth, plan->canvasHeight), canvas);
  QCOMPARE(plan->sourceRect, src);
  QCOMPARE(plan->destRect, dst);
}

void TestResizePlan::noAnswerWithoutPixels() {
  ProcessingSettings s;
  QVERIFY(!planResize(s, 800, 0, 0, 0, {}));
  s.sizeMode = SizeFitBorder;
  s.borderFile = QStringLiteral("/missing.png");
  QVERIFY(!planResize(s, 800, 0, 100, 100, QSizeF())); // unreadable border: 0 x 0 canvas
}

void TestResizePlan::roundsHalvesToEven_data() {
  QTest::addColumn<double>("value");
  QTest::addColumn<int>("expected");
  QTest::newRow("0.5") << 0.5 << 0;
  QTest::newRow("1.5") << 1.5 << 2;
  QTest::newRow("2.5") << 2.5 << 2;
  QTest::newRow("-0.5") << -0.5 << 0;
  QTest::newRow("2.4999") << 2.4999 << 2;
  QTest::newRow("huge") << 1e20 << INT_MAX;
}

void TestResizePlan::roundsHalvesToEven() {
  QFETCH(double, value);
  QFETCH(int, expected);
  QCOMPARE(roundHalfEven(value), expected);
}

// The whole step on a real JPEG: fit-inside leaves white bands and the
// picture's own colour in the middle; a reduced-scale decode is used.
void TestResizePlan::drawsThroughLoadAndResize() {
  QImage red(1600, 1200, QImage::Format_RGB32);
  red.fill(QColor(200, 30, 30));
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  QVERIFY(red.save(&buffer, "JPEG", 95));
  SourceFile source{QStringLiteral("red.jpg"), jpeg, {}};

  ProcessingSettings s;
  s.sizeMode = SizeFirstPreset;
  s.cropToFit = false;
  QString errors;
  const QImage canvas = LoadAndResize(source, s, 400, 400, errors);
  QVERIFY(errors.isEmpty());
  QCOMPARE(canvas.size(), QSize(400, 400));
  QCOMPARE(canvas.pixel(200, 10), qRgb(255, 255, 255)); // band above
  QCOMPARE(canvas.pixel(200, 390), qRgb(255, 255, 255)); // band below
  const QColor middle = canvas.pixelColor(200, 200);
  QVERIFY2(qAbs(middle.red() - 200) <= 3 && qAbs(middle.green() - 30) <= 3, qPrintable(middle.name()));

  // Channel factors: the red channel switched off.
  s.imageMatrix = channelMatrix(0, 1, 1);
  const QImage noRed = LoadAndResize(source, s, 400, 400, errors);
  QVERIFY(qRed(noRed.pixel(200, 200)) <= 2);
  QCOMPARE(noRed.pixel(200, 10), qRgb(255, 255, 255)); // the bands are background, not picture

  // Not a picture at all.
  SourceFile junk{QStringLiteral("junk.jpg"), QByteArray("not a picture"), {}};
  QVERIFY(LoadAndResize(junk, s, 400, 400, errors).isNull());
}

// The preview's cache of the decoded source: the same result as a fresh
// decode, and never the picture of another file.
void TestResizePlan::cacheAnswersOnlyTheSameFile() {
  auto jpegOf = [](QColor colour) {
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return SourceFile{QStringLiteral("same-name.jpg"), jpeg, {}};
  };
  const SourceFile red = jpegOf(QColor(200, 30, 30)), blue = jpegOf(QColor(30, 30, 200));
  ProcessingSettings s;
  QString errors;
  DecodedSourceCache cache;
  const QImage fresh = LoadAndResize(red, s, 400, 400, errors);
  QCOMPARE(LoadAndResize(red, s, 400, 400, errors, &cache), fresh);
  bool kept = false;
  for (int eighths = 1; eighths <= 8; ++eighths)
    kept = kept || !cache.find(red.data, eighths).isNull();
  QVERIFY(kept);
  QCOMPARE(LoadAndResize(red, s, 400, 400, errors, &cache), fresh);
  const QImage other = LoadAndResize(blue, s, 400, 400, errors, &cache);
  QVERIFY(qBlue(other.pixel(200, 150)) > 150);
  QCOMPARE(other, LoadAndResize(blue, s, 400, 400, errors));
  QVERIFY(errors.isEmpty());
}

QTEST_GUILESS_MAIN(TestResizePlan)
#include "tst_resize_plan.moc"
