// Rules of the capture rectangle and the naming of capture files, without a
// screen.
#include "capture/capture_files.h"
#include "capture/frm_copy_src.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace kuvo;
namespace cg = kuvo::capture_geometry;

class CaptureGeometry : public QObject {
  Q_OBJECT

private slots:
  void toolbarPosition_data() {
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<QPoint>("expected");
    // Toolbar 120 x 30 on a 1280 x 800 screen.
    QTest::newRow("below, right edges aligned") << QRect(300, 200, 400, 100) << QPoint(580, 304);
    QTest::newRow("just fits below") << QRect(300, 600, 400, 166) << QPoint(580, 770);
    QTest::newRow("one pixel short: inside") << QRect(300, 600, 400, 167) << QPoint(580, 733);
    QTest::newRow("at the bottom edge: inside") << QRect(0, 700, 1280, 100) << QPoint(1160, 766);
    QTest::newRow("right edge left of the width: left 0") << QRect(10, 10, 50, 50) << QPoint(0, 64);
    QTest::newRow("right edge exactly the width") << QRect(20, 10, 100, 50) << QPoint(0, 64);
    QTest::newRow("narrow at bottom left") << QRect(0, 760, 30, 40) << QPoint(0, 766);
    QTest::newRow("flat at the very bottom stays on screen") << QRect(500, 790, 200, 10) << QPoint(580, 766);
  }

  void toolbarPosition() {
    QFETCH(QRect, selection);
    QFETCH(QPoint, expected);
    QCOMPARE(cg::toolbarPosition(selection, QSize(120, 30), QSize(1280, 800)), expected);
  }

  void spannedAnyDirection_data() {
    QTest::addColumn<QPoint>("a");
    QTest::addColumn<QPoint>("b");
    QTest::newRow("top left to bottom right") << QPoint(10, 20) << QPoint(110, 70);
    QTest::newRow("bottom right to top left") << QPoint(110, 70) << QPoint(10, 20);
    QTest::newRow("top right to bottom left") << QPoint(110, 20) << QPoint(10, 70);
    QTest::newRow("bottom left to top right") << QPoint(10, 70) << QPoint(110, 20);
  }

  void spannedAnyDirection() {
    QFETCH(QPoint, a);
    QFETCH(QPoint, b);
    QCOMPARE(cg::spanned(a, b), QRect(10, 20, 100, 50));
  }

  void moved_data() {
    QTest::addColumn<QRect>("start");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QRect>("expected");
    const QRect r(100, 100, 200, 150);
    QTest::newRow("free") << r << QPoint(30, -40) << QRect(130, 60, 200, 150);
    QTest::newRow("against the right edge") << r << QPoint(2000, 0) << QRect(1080, 100, 200, 150);
    QTest::newRow("against the bottom edge") << r << QPoint(0, 900) << QRect(100, 650, 200, 150);
    QTest::newRow("past the top left") << r << QPoint(-500, -500) << QRect(0, 0, 200, 150);
    QTest::newRow("whole screen cannot move") << QRect(0, 0, 1280, 800) << QPoint(5, 5) << QRect(0, 0, 1280, 800);
  }

  void moved() {
    QFETCH(QRect, start);
    QFETCH(QPoint, delta);
    QFETCH(QRect, expected);
    QCOMPARE(cg::moved(start, delta, QSize(1280, 800)), expected);
  }

  void resized_data() {
    QTest::addColumn<int>("handle");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QRect>("expected");
    // From the rectangle 100,100 - 300,250.
    QTest::newRow("0 top left") << 0 << QPoint(-10, -20) << QRect(90, 80, 210, 170);
    QTest::newRow("1 top: only the top edge") << 1 << QPoint(50, 30) << QRect(100, 130, 200, 120);
    QTest::newRow("2 top right") << 2 << QPoint(10, 10) << QRect(100, 110, 210, 140);
    QTest::newRow("3 left: only the left edge") << 3 << QPoint(40, 99) << QRect(140, 100, 160, 150);
    QTest::newRow("4 bottom left") << 4 << QPoint(-100, 50) << QRect(0, 100, 300, 200);
    QTest::newRow("5 bottom") << 5 << QPoint(0, -50) << QRect(100, 100, 200, 100);
    QTest::newRow("6 bottom right") << 6 << QPoint(5, 5) << QRect(100, 100, 205, 155);
    QTest::newRow("7 right") << 7 << QPoint(-20, 0) << QRect(100, 100, 180, 150);
    QTest::newRow("left edge past the right edge swaps") << 3 << QPoint(250, 0) << QRect(300, 100, 50, 150);
    QTest::newRow("bottom edge above the top swaps") << 5 << QPoint(0, -200) << QRect(100, 50, 200, 50);
    QTest::newRow("corner beyond the screen stops at its edges") << 6 << QPoint(5000, 5000)
                                                                  << QRect(100, 100, 1180, 700);
    QTest::newRow("corner beyond the origin stops at 0") << 0 << QPoint(-500, -500) << QRect(0, 0, 300, 250);
  }

  void resized() {
    QFETCH(int, handle);
    QFETCH(QPoint, delta);
    QFETCH(QRect, expected);
    QCOMPARE(cg::resized(QRect(100, 100, 200, 150), handle, delta, QSize(1280, 800)), expected);
  }

  void handlePoints() {
    const QRect r(10, 20, 100, 60);
    const QList<QPoint> expected{{10, 20}, {60, 20}, {110, 20}, {10, 50}, {10, 80}, {60, 80}, {110, 80}, {110, 50}};
    for (int i = 0; i < 8; ++i)
      QCOMPARE(cg::handlePoint(r, i), expected[i]);
  }

  void stamps() {
    const QDateTime t(QDate(2026, 3, 7), QTime(21, 5, 9));
    QCOMPARE(screenCaptureStamp(t), QStringLiteral("20260307210509"));
    QCOMPARE(webcamStamp(t), QStringLiteral("07210509"));
    QCOMPARE(webcamStamp(QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0))), QStringLiteral("31000000"));
  }

  void savesNeverOverwrite() {
    QTemporaryDir dir;
    QImage red(4, 3, QImage::Format_RGB32), blue(5, 2, QImage::Format_ARGB32);
    red.fill(Qt::red);
    blue.fill(QColor(0, 0, 255, 255));
    const QString sub = dir.filePath(QStringLiteral("user")); // made on demand
    const QString first = saveNewBmp(red, sub, QStringLiteral("Cap"), QStringLiteral("07210509"));
    const QString second = saveNewBmp(blue, sub, QStringLiteral("Cap"), QStringLiteral("07210509"));
    const QString third = saveNewBmp(red, sub, QStringLiteral("Cap"), QStringLiteral("07210509"));
    QCOMPARE(QFileInfo(first).fileName(), QStringLiteral("Cap07210509.bmp"));
    QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("Cap07210509_2.bmp"));
    QCOMPARE(QFileInfo(third).fileName(), QStringLiteral("Cap07210509_3.bmp"));
    QCOMPARE(QImage(first).convertToFormat(QImage::Format_RGB32), red);
    QCOMPARE(QImage(second).size(), QSize(5, 2));
    QCOMPARE(QImage(second).pixel(4, 1), qRgb(0, 0, 255));
    // 24 bits per pixel even from a picture with an alpha channel.
    QFile file(second);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(30);
    QCOMPARE(int(uchar(header[28])), 24);
  }

  void saveFailures() {
    QImage img(2, 2, QImage::Format_RGB32);
    img.fill(Qt::green);
    QTemporaryDir dir;
    QVERIFY(saveNewBmp(QImage(), dir.path(), QStringLiteral("user"), QStringLiteral("1")).isEmpty());
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    // A folder that cannot be made: a file stands in its way.
    QFile blocker(dir.filePath(QStringLiteral("user")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(saveNewBmp(img, blocker.fileName(), QStringLiteral("user"), QStringLiteral("1")).isEmpty());
  }
};

QTEST_GUILESS_MAIN(CaptureGeometry)
#include "tst_capture_geometry.moc"
