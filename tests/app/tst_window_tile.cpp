// The tiled watermark in the window: the "平铺" entry, its controls, the
// preview, dragging the grid, and its settings kept across a restart.
#include "app_test_main.h"
#include "app/main_window.h"
#include "app/preview_panel.h"
#include "app/placement.h"
#include "platform/settings_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace kuvo;

class TestWindowTile : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString picture_, mark_;

  std::unique_ptr<MainWindow> makeWindow(const QMap<QString, QString> &keys) {
    QFile::remove(settingsFilePath());
    saveSetting(QStringLiteral("bShowToday"), QStringLiteral("0"));
    for (auto it = keys.begin(); it != keys.end(); ++it)
      saveSetting(it.key(), it.value());
    return std::make_unique<MainWindow>();
  }

  // Darkest grey value inside rect.
  static int darkest(const QImage &image, QRect rect) {
    int lowest = 255;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
      for (int x = rect.left(); x <= rect.right(); ++x)
        lowest = std::min(lowest, qGray(image.pixel(x, y)));
    return lowest;
  }

private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    picture_ = dir_.filePath(QStringLiteral("white.png"));
    QImage white(1200, 800, QImage::Format_RGB32);
    white.fill(Qt::white);
    QVERIFY(white.save(picture_));
    mark_ = dir_.filePath(QStringLiteral("mark.png"));
    QImage mark(40, 20, QImage::Format_ARGB32);
    mark.fill(Qt::black);
    QVERIFY(mark.save(mark_));
  }

  void tiledPictureWatermark() {
    auto w = makeWindow({{"suISyF", mark_}, {"iuSYAlpha", "100"}});
    w->resize(1180, 760);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto *list = w->findChild<QComboBox *>(QStringLiteral("cmbPosImg"));
    auto *angle = w->findChild<QSpinBox *>(QStringLiteral("spnTileAngle"));
    auto *spacing = w->findChild<QSpinBox *>(QStringLiteral("spnTileSpacing"));
    QVERIFY(list && angle && spacing);
    QCOMPARE(list->count(), 7);
    QCOMPARE(list->itemText(AnchorTile), QStringLiteral("平铺"));
    QCOMPARE(w->findChild<QComboBox *>(QStringLiteral("cmbPos"))->itemText(AnchorTile), QStringLiteral("平铺"));
    QVERIFY(!angle->isEnabled()); // only while a watermark is tiled
    QCOMPARE(angle->value(), -30);
    QCOMPARE(spacing->value(), 100);

    QSignalSpy shown(w->preview(), &PreviewPanel::previewShown);
    w->appendPicture(picture_);
    QVERIFY(shown.wait(20000));
    list->setCurrentIndex(AnchorTile);
    emit list->activated(AnchorTile);
    QVERIFY(angle->isEnabled() && spacing->isEnabled());
    angle->setValue(0);
    QCOMPARE(w->jobSettings().tileAngle, 0);
    QCOMPARE(w->jobSettings().pictureWatermarkAnchor, int(AnchorTile));
    QTRY_VERIFY(!w->preview()->busy());
    // The preview shows copies in every corner.
    const QImage preview = w->preview()->image();
    QCOMPARE(preview.size(), QSize(800, 533));
    for (const QPoint corner : {QPoint(0, 0), QPoint(720, 0), QPoint(0, 453), QPoint(720, 453)})
      QVERIFY(darkest(preview, QRect(corner, QSize(80, 80))) < 50);

    // A press anywhere on the picture takes the grid and moves its origin
    // by the pointer's way; the entry stays "平铺".
    const PreviewGeometry g = w->preview()->previewGeometry();
    const double x0 = w->jobSettings().pictureWatermarkX, y0 = w->jobSettings().pictureWatermarkY;
    auto *area = w->findChild<QWidget *>(QStringLiteral("picImg"));
    const QPoint from = (g.shown.topLeft() + QPointF(30, 40)).toPoint();
    const QPoint to = from + QPoint(25, -10);
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), area->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(area, &move);
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, to);
    QCOMPARE(list->currentIndex(), int(AnchorTile));
    QVERIFY(qAbs(w->jobSettings().pictureWatermarkX - (x0 + 25 / g.shown.width())) < 1e-9);
    QVERIFY(qAbs(w->jobSettings().pictureWatermarkY - (y0 - 10 / g.shown.height())) < 1e-9);
    QTRY_VERIFY(!w->preview()->busy());
    QVERIFY(w->preview()->image() != preview);

    // The angle and spacing are kept for the next start.
    spacing->setValue(250);
    w->saveSettings();
    QCOMPARE(readSetting(QStringLiteral("iTileAngle")), QStringLiteral("0"));
    QCOMPARE(readSetting(QStringLiteral("iTileSpacing")), QStringLiteral("250"));
    w.reset();
    MainWindow again;
    QCOMPARE(again.findChild<QSpinBox *>(QStringLiteral("spnTileSpacing"))->value(), 250);
    QCOMPARE(again.jobSettings().tileAngle, 0);
  }
};

KUVO_APP_TEST_MAIN(TestWindowTile)

#include "tst_window_tile.moc"
