// The border and watermark pictures shipped in data/bk and data/sy.
#include "engine/draw_overlays.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QtTest>

using namespace kuvo;

namespace {
QStringList pngs(const QString &folder) {
  QStringList paths;
  const QDir dir(QStringLiteral(KUVO_SOURCE_DIR "/data/") + folder);
  for (const QFileInfo &info : dir.entryInfoList({"*.png", "*.PNG"}, QDir::Files, QDir::Name))
    paths << info.absoluteFilePath();
  return paths;
}
} // namespace

class TestOverlayMaterial : public QObject {
  Q_OBJECT

private slots:
  void borders_data() {
    QTest::addColumn<QString>("path");
    const QStringList paths = pngs("bk");
    QVERIFY(paths.size() >= 4);
    for (const QString &p : paths)
      QTest::newRow(qPrintable(QFileInfo(p).fileName())) << p;
  }

  // A border frames the picture: opaque or shaded edges, a see-through centre.
  void borders() {
    QFETCH(QString, path);
    QVERIFY(QFileInfo(path).size() < 200 * 1024);
    const QImage border = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!border.isNull());
    QVERIFY(border.hasAlphaChannel());
    QCOMPARE(qAlpha(border.pixel(border.width() / 2, border.height() / 2)), 0);
    QVERIFY(qAlpha(border.pixel(1, 1)) > 100);
    QVERIFY(qAlpha(border.pixel(border.width() - 2, border.height() - 2)) > 100);

    // Stretched over a picture of another size, the middle of the picture stays.
    ProcessingSettings s;
    s.borderFile = path;
    QImage canvas(640, 480, QImage::Format_RGB32);
    canvas.fill(QColor(10, 120, 200));
    QString errors;
    DrawOverlays(canvas, SourceFile{"a.jpg", {}, {}}, s, errors);
    QVERIFY(errors.isEmpty());
    QCOMPARE(canvas.pixel(320, 240), qRgb(10, 120, 200));
    QVERIFY(canvas.pixel(1, 1) != qRgb(10, 120, 200));
  }

  void watermarks_data() {
    QTest::addColumn<QString>("path");
    const QStringList paths = pngs("sy");
    QVERIFY(paths.size() >= 3);
    for (const QString &p : paths)
      QTest::newRow(qPrintable(QFileInfo(p).fileName())) << p;
  }

  // A watermark has a shape: some pixels fully transparent, some solid.
  void watermarks() {
    QFETCH(QString, path);
    QVERIFY(QFileInfo(path).size() < 200 * 1024);
    const QImage mark = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!mark.isNull());
    int clear = 0, solid = 0;
    for (int y = 0; y < mark.height(); ++y)
      for (int x = 0; x < mark.width(); ++x) {
        const int a = qAlpha(mark.pixel(x, y));
        clear += a == 0;
        solid += a >= 200;
      }
    const int total = mark.width() * mark.height();
    QVERIFY2(clear > total / 20 && solid > total / 20,
             qPrintable(QStringLiteral("%1 clear, %2 solid of %3").arg(clear).arg(solid).arg(total)));
  }
};

QTEST_MAIN(TestOverlayMaterial)
#include "tst_overlay_material.moc"
