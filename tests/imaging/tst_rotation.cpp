#include "imaging/rotation.h"

#include <QTransform>
#include <QtTest>

#include <algorithm>

using kuvo::RotateImage;

namespace {

// Every pixel different, so any resampling or misplacement shows.
QImage numbered(int w, int h, QImage::Format format = QImage::Format_RGB32) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.setPixel(x, y, qRgb(x * 20 + 3, y * 30 + 7, (x * 7 + y * 11) & 0xFF));
  return img.convertToFormat(format);
}

// What each transform must give, by Qt's own exact turns and mirrors.
QImage expected(const QImage &img, const QString &how) {
  if (how == "cw") return img.transformed(QTransform().rotate(90));
  if (how == "ccw") return img.transformed(QTransform().rotate(-90));
  if (how == "half") return img.transformed(QTransform().rotate(180));
  if (how == "rows") return img.mirrored(false, true);
  if (how == "columns") return img.mirrored(true, false);
  return img;
}

QList<QRgb> sortedPixels(const QImage &img) {
  QList<QRgb> v;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      v << img.pixel(x, y);
  std::sort(v.begin(), v.end());
  return v;
}

} // namespace

class TestRotation : public QObject {
  Q_OBJECT

private slots:
  void modes_data();
  void modes();
  void halvesAndCorners();
  void oppositeQuartersCancel();
};

void TestRotation::modes_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<int>("orientation");
  QTest::addColumn<QString>("how");
  const char *fixed[] = {"none", "none", "", "cw", "ccw", "half", "rows", "columns"};
  for (int mode : {0, 1, 3, 4, 5, 6, 7})
    for (int orientation : {0, 6})
      QTest::addRow("mode %d, orientation %d", mode, orientation) << mode << orientation << QString(fixed[mode]);
  const char *smart[] = {"none", "none", "columns", "half", "rows", "none", "cw", "none", "ccw", "none"};
  for (int orientation = 0; orientation <= 9; ++orientation)
    QTest::addRow("smart, orientation %d", orientation) << 2 << orientation << QString(smart[orientation]);
  QTest::addRow("mode 8") << 8 << 6 << QString("none");
  QTest::addRow("mode -1") << -1 << 6 << QString("none");
}

void TestRotation::modes() {
  QFETCH(int, mode);
  QFETCH(int, orientation);
  QFETCH(QString, how);
  // Odd sizes, 32-bit and 24-bit pixels.
  for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888}) {
    const QImage src = numbered(5, 3, format);
    const QImage out = RotateImage(src, mode, orientation);
    QCOMPARE(out.format(), format);
    QCOMPARE(out, expected(src, how));
    QCOMPARE(sortedPixels(out), sortedPixels(src)); // a permutation: nothing lost or made up
  }
}

void TestRotation::halvesAndCorners() {
  // Top half red, bottom half blue: rows reversed puts blue on top.
  QImage img(4, 6, QImage::Format_RGB32);
  img.fill(Qt::blue);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      img.setPixel(x, y, qRgb(255, 0, 0));
  QImage rows = RotateImage(img, 6, 0);
  QCOMPARE(rows.pixel(0, 0), qRgb(0, 0, 255));
  QCOMPARE(rows.pixel(3, 5), qRgb(255, 0, 0));
  // Left half red: columns reversed puts red on the right.
  QImage left(6, 4, QImage::Format_RGB32);
  left.fill(Qt::blue);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x)
      left.setPixel(x, y, qRgb(255, 0, 0));
  QImage cols = RotateImage(left, 7, 0);
  QCOMPARE(cols.pixel(5, 0), qRgb(255, 0, 0));
  QCOMPARE(cols.pixel(0, 0), qRgb(0, 0, 255));

  // A camera picture lying on its side (orientation 6) turns clockwise: its
  // top-left pixel ends at the top right and the size swaps.
  QImage cam = numbered(7, 4);
  QImage up = RotateImage(cam, 2, 6);
  QCOMPARE(up.size(), QSize(4, 7));
  QCOMPARE(up.pixel(3, 0), cam.pixel(0, 0));
  QCOMPARE(up.pixel(0, 6), cam.pixel(6, 3));
  QImage ccw = RotateImage(cam, 4, 0);
  QCOMPARE(ccw.pixel(0, 6), cam.pixel(0, 0));
}

void TestRotation::oppositeQuartersCancel() {
  const QImage src = numbered(9, 5);
  QCOMPARE(RotateImage(RotateImage(src, 3, 0), 4, 0), src);
  QCOMPARE(RotateImage(RotateImage(src, 2, 8), 2, 6), src);
  QCOMPARE(RotateImage(RotateImage(src, 5, 0), 5, 0), src);
  QVERIFY(RotateImage(QImage(), 3, 0).isNull());
}

QTEST_GUILESS_MAIN(TestRotation)
#include "tst_rotation.moc"
