// Renders the window, the wait window and the dialogs into PNG files under
// the build folder (screenshots/) and checks what they show. Run it under
// Xvfb with QT_QPA_PLATFORM=xcb and QT_SCALE_FACTOR=1.5 to see other scalings.
#include "app_test_main.h"
#include "modal_helpers.h"
#include "app/web_links.h"
#include "app/main_window.h"
#include "app/preview_panel.h"
#include "app/run_controls.h"
#include "app/wait_window.h"
#include "platform/settings_store.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace kuvo;

namespace {
const QString Samples = QStringLiteral(KUVO_SOURCE_DIR "/data/samples");

QString shotPath(const QString &name) {
  const QString dir = QStringLiteral(QT_TESTCASE_BUILDDIR "/../screenshots");
  QDir().mkpath(dir);
  const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
  return QDir::cleanPath(dir + QLatin1Char('/') + name + QStringLiteral("@") + scale + QStringLiteral("x.png"));
}

// Share of pixels that differ from the most common colour: a blank or
// unpainted window scores close to 0.
double busyness(const QImage &image) {
  QHash<QRgb, int> counts;
  const QImage small = image.scaled(200, 150).convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < small.height(); ++y)
    for (int x = 0; x < small.width(); ++x)
      ++counts[small.pixel(x, y)];
  int most = 0;
  for (int c : counts)
    most = std::max(most, c);
  return 1.0 - double(most) / (small.width() * small.height());
}

} // namespace

class TestWindowLook : public QObject {
  Q_OBJECT
private:
  QTemporaryDir work_;

private slots:
  void mainWindowWithPictures() {
    saveSetting(QStringLiteral("sText"), QStringLiteral("Kuvo图片批处理"));
    MainWindow w;
    w.resize(1200, 780);
    w.show();
    QSignalSpy shown(w.preview(), &PreviewPanel::previewShown);
    w.addFiles({Samples + "/sunset_landscape.jpg", Samples + "/tall_forest.jpg", Samples + "/diagram.png",
                Samples + "/badge.gif"});
    w.findChild<QComboBox *>("cmbBK")->setCurrentIndex(0);
    QVERIFY(shown.wait(20000));
    QTRY_VERIFY(!w.preview()->busy());
    QCoreApplication::processEvents();
    const QImage shot = w.grab().toImage();
    QVERIFY(shot.save(shotPath("main")));
    QVERIFY(busyness(shot) > 0.2);
    QVERIFY(!w.findChild<QLabel *>("imgM")->pixmap().isNull());
    // Every caption fits: no button text is cut off.
    for (QPushButton *b : w.findChildren<QPushButton *>())
      if (b->isVisible())
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) <= b->width(), qPrintable(b->objectName()));
  }

  void runningJob() {
    QTemporaryDir in, out;
    QStringList files;
    for (int i = 0; i < 30; ++i) {
      const QString path = in.filePath(QStringLiteral("p%1.jpg").arg(i));
      QFile::copy(Samples + "/rotated_camera.jpg", path);
      files << path;
    }
    saveSetting(QStringLiteral("bAutoODir"), QStringLiteral("0"));
    MainWindow w;
    w.resize(1200, 780);
    w.show();
    w.setOutputFolder(out.path());
    w.addFiles(files);
    QSignalSpy finished(&w, &MainWindow::runFinished);
    bool grabbed = false;
    connect(&w, &MainWindow::runProgressed, this, [&](int done, int total) {
      if (done < 3 || grabbed)
        return;
      grabbed = true;
      QVERIFY(w.grab().toImage().save(shotPath("running")));
      WaitWindow *wait = w.runControls()->waitWindow();
      QVERIFY(wait->isVisible());
      QVERIFY(wait->progressText().startsWith(QStringLiteral("%1 / %2").arg(done).arg(total)));
      QCOMPARE(wait->findChild<QProgressBar *>()->value(), done);
      QVERIFY(wait->grab().toImage().save(shotPath("wait")));
      w.findChild<QPushButton *>("cmdStop")->click();
    });
    w.findChild<QPushButton *>("cmdDone")->click();
    QVERIFY(finished.wait(60000));
    QVERIFY(grabbed);
  }

  void dialogs() {
    MainWindow w;
    w.show();
    bool txt = false, chooser = false;
    onNextModal([&](QWidget *d) {
      QVERIFY(d->grab().toImage().save(shotPath("txtset")));
      txt = d->objectName() == QStringLiteral("frmTxtSet");
      static_cast<QDialog *>(d)->reject();
    });
    w.findChild<QAction *>("mSetTxt")->trigger();
    onNextModal([&](QWidget *d) {
      QVERIFY(d->grab().toImage().save(shotPath("chooser")));
      chooser = d->objectName() == QStringLiteral("frmDlg");
      static_cast<QDialog *>(d)->reject();
    });
    w.findChild<QPushButton *>("cmdAdd")->click();
    QVERIFY(txt);
    QVERIFY(chooser);
  }
};

KUVO_APP_TEST_MAIN(TestWindowLook)

#include "tst_window_look.moc"
