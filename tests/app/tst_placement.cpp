// The preview's geometry rules and the small input rules, with worked numbers.
#include "app/placement.h"

#include <QDir>
#include <QtTest>

using namespace kuvo;


class TestPlacement : public QObject {
  Q_OBJECT
private:
  static PreviewGeometry geometry(QRectF shown, double scale, QSizeF text, QSizeF picture) {
    PreviewGeometry g;
    g.shown = shown;
    g.scale = scale;
    g.textSize = text;
    g.pictureSize = picture;
    return g;
  }

private slots:
  void fit_data() {
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("wide picture: the width decides") << QSize(400, 300) << QSize(800, 400) << QRect(0, 50, 400, 200);
    QTest::newRow("tall picture: the height decides") << QSize(400, 300) << QSize(300, 600) << QRect(125, 0, 150, 300);
    QTest::newRow("small picture is centred, not enlarged") << QSize(400, 300) << QSize(100, 50)
                                                            << QRect(150, 125, 100, 50);
    QTest::newRow("same shape fills the area") << QSize(400, 300) << QSize(1600, 1200) << QRect(0, 0, 400, 300);
    QTest::newRow("narrow but short keeps its size") << QSize(400, 300) << QSize(50, 290) << QRect(175, 5, 50, 290);
    QTest::newRow("empty picture") << QSize(400, 300) << QSize(0, 10) << QRect();
  }
  void fit() {
    QFETCH(QSize, area);
    QFETCH(QSize, picture);
    QTEST(fitRect(area, picture), "expected");
  }

  void markers() {
    const PreviewGeometry g = geometry(QRectF(10, 20, 400, 300), 0.5, QSizeF(80, 20), QSizeF(60, 40));
    // Text: under the text's middle line, as wide as the shown text.
    QCOMPARE(textMarker(g, 0.25, 0.5), QRectF(110, 175, 40, MarkerHeight));
    // Picture: along the lower edge of the shown picture, centred on Xi.
    QCOMPARE(pictureMarker(g, 0.5, 0.5), QRectF(195, 180, 30, MarkerHeight));
  }

  void hit_data() {
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("pictureOn");
    QTest::addColumn<int>("expected");
    const int none = int(PlacementTarget::None), text = int(PlacementTarget::Text),
              picture = int(PlacementTarget::Picture);
    // Text at x 100, y 150, 100 x 20: x from 75 to 200, y from 130 to 190.
    QTest::newRow("inside the text's left reach") << QPointF(76, 131) << true << text;
    QTest::newRow("left of the reach") << QPointF(74, 150) << true << none;
    QTest::newRow("text's far corner") << QPointF(199, 189) << true << text;
    QTest::newRow("right edge is outside") << QPointF(200, 150) << true << none;
    QTest::newRow("two heights below") << QPointF(120, 191) << true << none;
    // Picture 60 x 40 around (300, 75).
    QTest::newRow("picture centre") << QPointF(300, 75) << true << picture;
    QTest::newRow("picture corner") << QPointF(271, 56) << true << picture;
    QTest::newRow("picture switched off") << QPointF(300, 75) << false << none;
    QTest::newRow("outside both") << QPointF(331, 75) << true << none;
  }
  void hit() {
    QFETCH(QPointF, point);
    QFETCH(bool, pictureOn);
    const PreviewGeometry g = geometry(QRectF(0, 0, 400, 300), 1, QSizeF(100, 20), QSizeF(60, 40));
    QTEST(int(hitTest(g, point, true, 0.25, 0.5, pictureOn, 0.75, 0.25)), "expected");
  }

  void overlapPrefersText() {
    const PreviewGeometry g = geometry(QRectF(0, 0, 400, 300), 1, QSizeF(100, 20), QSizeF(60, 40));
    QCOMPARE(hitTest(g, QPointF(110, 150), true, 0.25, 0.5, true, 0.3, 0.5), PlacementTarget::Text);
    QCOMPARE(hitTest(g, QPointF(110, 150), false, 0.25, 0.5, true, 0.3, 0.5), PlacementTarget::Picture);
    // A picture watermark of size 0 is never hit.
    const PreviewGeometry empty = geometry(QRectF(0, 0, 400, 300), 1, QSizeF(), QSizeF());
    QCOMPARE(hitTest(empty, QPointF(200, 150), true, 0.5, 0.5, true, 0.5, 0.5), PlacementTarget::None);
  }

  void drag() {
    const PreviewGeometry g = geometry(QRectF(30, 40, 400, 300), 0.5, QSizeF(80, 20), QSizeF(60, 40));
    // Text marker dragged to the left edge: minus half the marker (40 / 2) over W.
    const Fraction t = dragText(g, QPointF(0, 150));
    QCOMPARE(t.x, -20.0 / 400);
    QCOMPARE(t.y, 0.5);
    const Fraction p = dragPicture(g, QPointF(100, 75));
    QCOMPARE(p.x, 0.25);
    QCOMPARE(p.y, 0.25);
    // The start point follows the pointer's distance from the middle, in canvas pixels.
    QCOMPARE(dragOrigin(g, QPointF(300, 150)), QPointF(200, 0));
    QCOMPARE(dragOrigin(g, QPointF(190, 140)), QPointF(-20, -20));
  }

  void nudge() {
    // A preview 40 pixels wide (600 twips): five steps right raise Xi by 0.125.
    const PreviewGeometry g = geometry(QRectF(0, 0, 40, 80), 1, QSizeF(), QSizeF(10, 10));
    Fraction f{0.5, 0.5};
    for (int i = 0; i < 5; ++i)
      f = nudgeFraction(g, f, 1, 0);
    QCOMPARE(f.x, 0.625);
    QCOMPARE(f.y, 0.5);
    f = nudgeFraction(g, f, 0, -1);
    QCOMPARE(f.y, 0.5 - 1.0 / 80);
    // Nothing shown: no step.
    const Fraction same = nudgeFraction(geometry(QRectF(), 1, {}, {}), {0.3, 0.3}, 1, 1);
    QCOMPARE(same.x, 0.3);
  }

  void wheel_data() {
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("key");
    QTest::newRow("one notch forward") << 120 << 0 << 0 << int(Qt::Key_Up);
    QTest::newRow("one notch backward") << -120 << 0 << 0 << int(Qt::Key_Down);
    QTest::newRow("two notches at once are dropped") << 240 << 0 << 0 << 0;
    QTest::newRow("half a notch is dropped") << 60 << 0 << 0 << 0;
    QTest::newRow("with Ctrl") << 120 << int(Qt::ControlModifier) << 0 << 0;
    QTest::newRow("with a button held") << -120 << 0 << int(Qt::LeftButton) << 0;
  }
  void wheel() {
    QFETCH(int, delta);
    QFETCH(int, modifiers);
    QFETCH(int, buttons);
    QTEST(wheelKey(delta, Qt::KeyboardModifiers(modifiers), Qt::MouseButtons(buttons)), "key");
  }

  void origin_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QPointF>("point");
    QTest::newRow("twelve and thirty") << "12,30" << true << QPointF(12, 30);
    QTest::newRow("blanks around") << " 7 , 8 " << true << QPointF(7, 8);
    QTest::newRow("zero") << "0,0" << true << QPointF(0, 0);
    QTest::newRow("decimals") << "1.5,2" << true << QPointF(1.5, 2);
    QTest::newRow("negative X") << "-5,30" << false << QPointF();
    QTest::newRow("negative Y") << "5,-1" << false << QPointF();
    QTest::newRow("too short") << "1," << false << QPointF();
    QTest::newRow("no comma") << "12 30" << false << QPointF();
    QTest::newRow("letters") << "a,b" << false << QPointF();
    QTest::newRow("three parts") << "1,2,3" << false << QPointF();
    QTest::newRow("empty") << "" << false << QPointF();
    QTest::newRow("at the limit") << "1000000,0" << true << QPointF(1e6, 0);
    QTest::newRow("past the limit") << "0,1000001" << false << QPointF();
    QTest::newRow("past a float") << "1e300,5" << false << QPointF();
  }
  void origin() {
    QFETCH(QString, answer);
    QFETCH(bool, accepted);
    const auto parsed = parseOrigin(answer);
    QCOMPARE(parsed.has_value(), accepted);
    if (accepted)
      QTEST(*parsed, "point");
  }

  void commandTail_data() {
    QTest::addColumn<QString>("tail");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("two paths") << "C:\\a.jpg D:\\b.jpg" << QStringList{"C:\\a.jpg", "D:\\b.jpg"};
    QTest::newRow("quoted with blanks") << "\"C:\\my pics\\a.jpg\" \"D:\\b.jpg\""
                                        << QStringList{"C:\\my pics\\a.jpg", "D:\\b.jpg"};
    QTest::newRow("leading blank is dropped") << " C:\\a.jpg" << QStringList{"C:\\a.jpg"};
    QTest::newRow("a blank and a drive inside a path splits it")
        << "C:\\odd c:\\dir\\a.jpg" << QStringList{"C:\\odd", "c:\\dir\\a.jpg"};
    QTest::newRow("blank without a drive stays") << "C:\\my pics\\a.jpg" << QStringList{"C:\\my pics\\a.jpg"};
  }
  void commandTail() {
    QFETCH(QString, tail);
    QTEST(splitCommandTail(tail), "paths");
  }

  void commandLine() {
    // Each argument is one path; only accepted pictures are kept.
    const QStringList perArgument = commandLinePictures({"/pics/a.jpg", "/pics/b.jpeg", "/pics/my c.PNG", "/pics/notes.txt"});
    QCOMPARE(perArgument, (QStringList{"/pics/a.jpg", "/pics/b.jpeg", "/pics/my c.PNG"}));
    // Relative paths are taken from the current folder.
    QCOMPARE(commandLinePictures({"x.gif"}), QStringList{QDir::current().absoluteFilePath("x.gif")});
    // One Windows-style tail is split at the drive letters.
    QCOMPARE(commandLinePictures({"C:\\a.jpg D:\\b.txt E:\\c.jpeg"}), (QStringList{"C:\\a.jpg", "E:\\c.jpeg"}));
    QVERIFY(commandLinePictures({}).isEmpty());
  }
};

QTEST_APPLESS_MAIN(TestPlacement)
#include "tst_placement.moc"
