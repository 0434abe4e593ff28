// Tiled watermarks: the grid reaches every part of the picture whatever its
// shape and angle, the spacing sets how many copies there are, and the
// opacities apply.
#include "engine/draw_overlays.h"
#include "engine/font_substitution.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kuvo;

namespace {

QImage white(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// Darkest grey value inside rect.
int darkest(const QImage &image, QRect rect) {
  int lowest = 255;
  rect &= image.rect();
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      lowest = std::min(lowest, qGray(image.pixel(x, y)));
  return lowest;
}

double darkShare(const QImage &image) {
  qint64 dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      dark += qGray(image.pixel(x, y)) < 128;
  return double(dark) / (qint64(image.width()) * image.height());
}

} // namespace

class TestTiledWatermark : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString black20_; // 20 x 20 black square

  ProcessingSettings pictureTile(int angle, int spacing) const {
    ProcessingSettings s;
    s.pictureWatermarkOn = true;
    s.pictureWatermarkFile = black20_;
    s.pictureWatermarkAnchor = AnchorTile;
    s.watermarkMatrix = identityMatrix();
    s.tileAngle = angle;
    s.tileSpacing = spacing;
    return s;
  }

  static ProcessingSettings textTile(int angle, int spacing) {
    ProcessingSettings s;
    s.textWatermarkOn = true;
    s.text = QStringLiteral("水印Kuvo");
    s.fontSize = 14;
    s.textAnchor = AnchorTile;
    s.tileAngle = angle;
    s.tileSpacing = spacing;
    return s;
  }

private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    black20_ = dir_.filePath(QStringLiteral("black.png"));
    QImage mark(20, 20, QImage::Format_ARGB32);
    mark.fill(Qt::black);
    QVERIFY(mark.save(black20_));
    installFontSubstitutions();
  }

  void init() { clearOverlayImageCache(); }

  void coversTheWholePicture_data() {
    QTest::addColumn<bool>("text");
    QTest::addColumn<QSize>("canvas");
    QTest::addColumn<int>("angle");
    for (const bool text : {false, true})
      for (const QSize size : {QSize(640, 480), QSize(200, 900), QSize(1200, 150)})
        for (const int angle : {0, -30, 45, 90, -90}) {
          const QByteArray tag = QByteArray(text ? "text " : "picture ") + QByteArray::number(size.width()) + "x" +
                                 QByteArray::number(size.height()) + " at " + QByteArray::number(angle);
          QTest::newRow(tag.constData()) << text << size << angle;
        }
  }
  void coversTheWholePicture() {
    QFETCH(bool, text);
    QFETCH(QSize, canvas);
    QFETCH(int, angle);
    ProcessingSettings s = text ? textTile(angle, 100) : pictureTile(angle, 100);
    s.pictureWatermarkX = s.textX = 0.37;
    s.pictureWatermarkY = s.textY = 0.61;
    QImage image = white(canvas.width(), canvas.height());
    QString errors;
    const OverlayPlacement placement = DrawOverlays(image, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors));
    QVERIFY(placement.statusText.isEmpty());
    // Every corner, the edges' middles and the centre hold part of a copy.
    // The text is about 90 x 20: two of its pitches in each direction always
    // hold ink; the picture's pitch is 40.
    const int reach = text ? 200 : 80;
    const int W = canvas.width(), H = canvas.height();
    const QList<QPoint> spots{{0, 0},         {W - reach, 0}, {0, H - reach}, {W - reach, H - reach},
                              {W / 2 - reach / 2, H / 2 - reach / 2}};
    for (const QPoint &p : spots) {
      const QRect window(p, QSize(reach, reach));
      QVERIFY2(darkest(image, window) < 100, qPrintable(QStringLiteral("no copy near %1,%2").arg(p.x()).arg(p.y())));
    }
    // No anchored position is reported back for a tile.
    QVERIFY(!placement.pictureStored && !placement.textStored);
  }

  void spacingSetsTheCount_data() {
    QTest::addColumn<int>("spacing");
    QTest::addColumn<double>("share");
    QTest::newRow("touching") << 0 << 1.0;
    QTest::newRow("default") << 100 << 0.25;
    QTest::newRow("wide") << 300 << 1.0 / 16;
  }
  void spacingSetsTheCount() {
    QFETCH(int, spacing);
    QFETCH(double, share);
    ProcessingSettings s = pictureTile(0, spacing);
    // One copy centred at 10,10: the copies fill 20 x 20 cells from the corner.
    s.pictureWatermarkX = s.pictureWatermarkY = 10.0 / 400;
    QImage image = white(400, 400);
    QString errors;
    DrawOverlays(image, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(errors.isEmpty());
    QCOMPARE(darkShare(image), share);
  }

  void opacities_data() {
    QTest::addColumn<bool>("text");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("opacity");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high"); // the darkest pixel lies in low..high
    QTest::newRow("picture tile at 50 %") << false << int(AnchorTile) << 50 << 125 << 130;
    QTest::newRow("picture tile opaque") << false << int(AnchorTile) << 100 << 0 << 0;
    QTest::newRow("text tile at 50 %") << true << int(AnchorTile) << 50 << 120 << 135;
    QTest::newRow("text tile opaque") << true << int(AnchorTile) << 100 << 0 << 40;
    QTest::newRow("anchored text at 30 %") << true << int(AnchorTopLeft) << 30 << 170 << 185;
    QTest::newRow("text at 0 % leaves the picture") << true << int(AnchorCenter) << 0 << 255 << 255;
  }
  void opacities() {
    QFETCH(bool, text);
    QFETCH(int, anchor);
    QFETCH(int, opacity);
    QFETCH(int, low);
    QFETCH(int, high);
    ProcessingSettings s = text ? textTile(0, 100) : pictureTile(0, 100);
    if (text) {
      s.textAnchor = anchor;
      s.textOpacity = opacity;
      s.fontSize = 40; // solid strokes: full-strength pixels inside them
      s.bold = true;
    } else {
      s.watermarkMatrix[18] = opacity / 100.0f;
    }
    QImage image = white(300, 200);
    QString errors;
    DrawOverlays(image, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(errors.isEmpty());
    const int d = darkest(image, image.rect());
    QVERIFY2(d >= low && d <= high, qPrintable(QString::number(d)));
  }

  void tooManyCopiesIsAnError() {
    ProcessingSettings s = pictureTile(0, 0);
    s.pictureWatermarkScale = 0.05f; // one pixel: four million copies on 2000 x 2000
    QImage image = white(2000, 2000);
    QString errors;
    DrawOverlays(image, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY2(errors.startsWith(QStringLiteral("a.jpg在添加平铺图片水印时发生错误:")), qPrintable(errors));
    QCOMPARE(darkest(image, image.rect()), 255);
  }
};

QTEST_MAIN(TestTiledWatermark)

#include "tst_tiled_watermark.moc"
