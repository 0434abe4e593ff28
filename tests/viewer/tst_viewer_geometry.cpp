// The viewer's geometry rules without a window: fitting, original size,
// panning, thumbnail pages, the wheel rule, the speed entry and crop maths.
#include "viewer/viewer_geometry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kuvo::viewer;

class TestViewerGeometry : public QObject {
  Q_OBJECT
private slots:
  void fit_data();
  void fit();
  void originalSize_data();
  void originalSize();
  void pan_data();
  void pan();
  void paging_data();
  void paging();
  void thumbnailsStayOnScreen_data();
  void thumbnailsStayOnScreen();
  void wheel_data();
  void wheel();
  void slideInterval_data();
  void slideInterval();
  void resize_data();
  void resize();
  void move();
  void cut_data();
  void cut();
  void cropNamesNeverRepeat();
};

void TestViewerGeometry::fit_data() {
  QTest::addColumn<QSize>("picture");
  QTest::addColumn<QSize>("screen");
  QTest::addColumn<QRect>("expected");
  QTest::newRow("800x600 stays centred on 1024x768") << QSize(800, 600) << QSize(1024, 768) << QRect(112, 84, 800, 600);
  QTest::newRow("3000x1000 fills the width") << QSize(3000, 1000) << QSize(1024, 768) << QRect(0, 213, 1024, 341);
  QTest::newRow("1000x3000 fills the height") << QSize(1000, 3000) << QSize(1024, 768) << QRect(384, 0, 256, 768);
  QTest::newRow("same aspect, larger") << QSize(2048, 1536) << QSize(1024, 768) << QRect(0, 0, 1024, 768);
  QTest::newRow("tall but narrower than the screen") << QSize(300, 700) << QSize(1024, 768) << QRect(362, 34, 300, 700);
  QTest::newRow("wide but lower than the screen") << QSize(1000, 100) << QSize(1024, 768) << QRect(12, 334, 1000, 100);
  QTest::newRow("1 pixel high panorama") << QSize(50000, 1) << QSize(1024, 768) << QRect(0, 383, 1024, 1);
}

void TestViewerGeometry::fit() {
  QFETCH(QSize, picture);
  QFETCH(QSize, screen);
  QFETCH(QRect, expected);
  QCOMPARE(fitRect(picture, screen), expected);
}

void TestViewerGeometry::originalSize_data() {
  QTest::addColumn<QSize>("picture");
  QTest::addColumn<QRect>("expected");
  QTest::newRow("smaller: centred") << QSize(800, 600) << QRect(112, 84, 800, 600);
  QTest::newRow("wider: left 0, centred vertically") << QSize(2000, 500) << QRect(0, 134, 2000, 500);
  QTest::newRow("larger both ways: top left") << QSize(4000, 3000) << QRect(0, 0, 4000, 3000);
}

void TestViewerGeometry::originalSize() {
  QFETCH(QSize, picture);
  QFETCH(QRect, expected);
  QCOMPARE(originalSizeRect(picture, QSize(1024, 768)), expected);
}

void TestViewerGeometry::pan_data() {
  QTest::addColumn<int>("atPress");
  QTest::addColumn<int>("delta");
  QTest::addColumn<int>("picture");
  QTest::addColumn<int>("expected");
  QTest::newRow("drag left inside the range") << 0 << -300 << 2000 << -300;
  QTest::newRow("drag left stops at the right edge") << -900 << -500 << 2000 << -976;
  QTest::newRow("drag right stops at the left edge") << -100 << 400 << 2000 << 0;
  QTest::newRow("smaller axis does not move") << 112 << -50 << 800 << 112;
}

void TestViewerGeometry::pan() {
  QFETCH(int, atPress);
  QFETCH(int, delta);
  QFETCH(int, picture);
  QFETCH(int, expected);
  QCOMPARE(pannedPosition(atPress, delta, picture, 1024), expected);
}

void TestViewerGeometry::paging_data() {
  QTest::addColumn<int>("count");
  QTest::addColumn<int>("page");
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("shown");
  QTest::addColumn<bool>("prev");
  QTest::addColumn<bool>("next");
  QTest::newRow("60 files, page 0") << 60 << 0 << 0 << 56 << false << true;
  QTest::newRow("60 files, page 1") << 60 << 1 << 56 << 4 << true << false;
  QTest::newRow("56 files fill one page") << 56 << 0 << 0 << 56 << false << false;
  QTest::newRow("57 files need two") << 57 << 0 << 0 << 56 << false << true;
  QTest::newRow("112 files, last page full") << 112 << 1 << 56 << 56 << true << false;
  QTest::newRow("empty list") << 0 << 0 << 0 << 0 << false << false;
}

void TestViewerGeometry::paging() {
  QFETCH(int, count);
  QFETCH(int, page);
  const PageRange r = pageRange(count, page);
  QTEST(r.first, "first");
  QTEST(r.size(), "shown");
  QTEST(r.prevEnabled, "prev");
  QTEST(r.nextEnabled, "next");
}

void TestViewerGeometry::thumbnailsStayOnScreen_data() {
  QTest::addColumn<QSize>("screen");
  QTest::newRow("1024x768") << QSize(1024, 768);
  QTest::newRow("800x600") << QSize(800, 600);
  QTest::newRow("1920x1080") << QSize(1920, 1080);
  QTest::newRow("3840x2160") << QSize(3840, 2160);
}

void TestViewerGeometry::thumbnailsStayOnScreen() {
  QFETCH(QSize, screen);
  const QRect bar = buttonBarRect(screen);
  QVERIFY(QRect(QPoint(0, 0), screen).contains(bar));
  for (int i = 0; i < ThumbnailsPerPage; ++i) {
    const QRect r = thumbnailRect(i, screen);
    QVERIFY2(QRect(QPoint(0, 0), screen).contains(r), qPrintable(QString::number(i)));
    QVERIFY2(r.bottom() < bar.top(), qPrintable(QString::number(i)));
    for (int j = 0; j < i; ++j)
      QVERIFY2(!r.intersects(thumbnailRect(j, screen)), qPrintable(QStringLiteral("%1 overlaps %2").arg(i).arg(j)));
  }
  // Eight to a row, keeping the design cell's proportions.
  QCOMPARE(thumbnailRect(7, screen).top(), thumbnailRect(0, screen).top());
  QVERIFY(thumbnailRect(8, screen).top() > thumbnailRect(0, screen).bottom());
  const QRect c = thumbnailRect(0, screen);
  QVERIFY(qAbs(double(c.width()) / c.height() - 125.0 / 102.0) < 0.05);
}

void TestViewerGeometry::wheel_data() {
  QTest::addColumn<int>("angle");
  QTest::addColumn<int>("buttons");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("step");
  QTest::newRow("towards the user: next") << -120 << 0 << 0 << 1;
  QTest::newRow("away: previous") << 120 << 0 << 0 << -1;
  QTest::newRow("with Ctrl: nothing") << -120 << 0 << int(Qt::ControlModifier) << 0;
  QTest::newRow("with Shift: nothing") << 120 << 0 << int(Qt::ShiftModifier) << 0;
  QTest::newRow("with a button held: nothing") << -120 << int(Qt::LeftButton) << 0 << 0;
  QTest::newRow("two notches at once: nothing") << -240 << 0 << 0 << 0;
}

void TestViewerGeometry::wheel() {
  QFETCH(int, angle);
  QFETCH(int, buttons);
  QFETCH(int, modifiers);
  QTEST(wheelStep(angle, Qt::MouseButtons(buttons), Qt::KeyboardModifiers(modifiers)), "step");
}

void TestViewerGeometry::slideInterval_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("expected");
  QTest::newRow("plain") << "5" << 5;
  QTest::newRow("above 32 seconds") << "40" << 40;
  QTest::newRow("an hour") << "3600" << 3600;
  QTest::newRow("beyond an hour: unchanged") << "3601" << 3;
  QTest::newRow("huge: unchanged") << "99999999999999999999" << 3;
  QTest::newRow("zero: unchanged") << "0" << 3;
  QTest::newRow("letters: unchanged") << "abc" << 3;
  QTest::newRow("empty: unchanged") << "" << 3;
  QTest::newRow("negative: unchanged") << "-4" << 3;
  QTest::newRow("integer part") << "2.9" << 2;
  QTest::newRow("leading blanks, trailing text") << QStringLiteral("  12秒") << 12;
}

void TestViewerGeometry::slideInterval() {
  QFETCH(QString, text);
  QTEST(parseSlideInterval(text, 3), "expected");
}

void TestViewerGeometry::resize_data() {
  QTest::addColumn<int>("handle");
  QTest::addColumn<QPoint>("delta");
  QTest::addColumn<QRect>("expected");
  const QRect start(100, 100, 200, 100); // edges 100..300, 100..200
  Q_UNUSED(start);
  QTest::newRow("bottom right grows") << 6 << QPoint(50, 20) << QRect(100, 100, 250, 120);
  QTest::newRow("bottom right past the top left") << 6 << QPoint(-260, -130) << QRect(40, 70, 60, 30);
  QTest::newRow("top middle moves only the top") << 1 << QPoint(77, -30) << QRect(100, 70, 200, 130);
  QTest::newRow("middle right onto the left edge: one pixel") << 7 << QPoint(-200, 0) << QRect(100, 100, 1, 100);
  QTest::newRow("bottom middle onto the top edge: one pixel") << 5 << QPoint(0, -100) << QRect(100, 100, 200, 1);
  QTest::newRow("top left beyond the picture") << 0 << QPoint(-500, -500) << QRect(0, 0, 300, 200);
  QTest::newRow("middle left past the right edge") << 3 << QPoint(250, 0) << QRect(300, 100, 50, 100);
}

void TestViewerGeometry::resize() {
  QFETCH(int, handle);
  QFETCH(QPoint, delta);
  QFETCH(QRect, expected);
  const QRect r = resizedSelection(QRect(100, 100, 200, 100), handle, delta, QRect(0, 0, 400, 300));
  QCOMPARE(r, expected);
  QVERIFY(r.width() >= 1 && r.height() >= 1);
}

void TestViewerGeometry::move() {
  const QRect bounds(0, 0, 400, 300);
  QCOMPARE(movedSelection(QRect(100, 100, 50, 40), QPoint(30, -20), bounds), QRect(130, 80, 50, 40));
  QCOMPARE(movedSelection(QRect(100, 100, 50, 40), QPoint(1000, 1000), bounds), QRect(350, 260, 50, 40));
  QCOMPARE(movedSelection(QRect(100, 100, 50, 40), QPoint(-1000, -1000), bounds), QRect(0, 0, 50, 40));
}

void TestViewerGeometry::cut_data() {
  QTest::addColumn<QRect>("selection");
  QTest::addColumn<int>("displayed");
  QTest::addColumn<QSize>("original");
  QTest::addColumn<QRect>("expected");
  QTest::newRow("half size: twice the pixels")
      << QRect(10, 20, 100, 50) << 500 << QSize(1000, 800) << QRect(20, 40, 200, 100);
  QTest::newRow("natural size: one to one")
      << QRect(10, 20, 100, 50) << 1000 << QSize(1000, 800) << QRect(10, 20, 100, 50);
  QTest::newRow("a third: rounded") << QRect(1, 1, 10, 10) << 100 << QSize(300, 300) << QRect(3, 3, 30, 30);
  QTest::newRow("on a reduced picture larger than the original")
      << QRect(0, 0, 1, 1) << 1000 << QSize(10, 10) << QRect(0, 0, 1, 1);
  QTest::newRow("kept inside the original")
      << QRect(400, 300, 200, 200) << 500 << QSize(1000, 800) << QRect(800, 600, 200, 200);
}

void TestViewerGeometry::cut() {
  QFETCH(QRect, selection);
  QFETCH(int, displayed);
  QFETCH(QSize, original);
  QTEST(cutRegion(selection, displayed, original), "expected");
}

void TestViewerGeometry::cropNamesNeverRepeat() {
  QTemporaryDir dir;
  const QString stamp = QStringLiteral("20261208101010");
  QStringList names;
  for (int i = 0; i < 3; ++i) {
    const QString p = uniqueCropPath(dir.path(), stamp);
    QVERIFY(!names.contains(p));
    QVERIFY(p.startsWith(dir.path() + QStringLiteral("/user") + stamp));
    QVERIFY(p.endsWith(QStringLiteral(".bmp")));
    QFile f(p);
    QVERIFY(f.open(QIODevice::WriteOnly));
    names << p;
  }
  QCOMPARE(names.first(), dir.path() + QStringLiteral("/user20261208101010.bmp"));
}

QTEST_APPLESS_MAIN(TestViewerGeometry)
#include "tst_viewer_geometry.moc"
