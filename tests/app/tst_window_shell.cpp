// The options dialog, job files, skins, the command line, placement on the
// preview and the news page, driven through the window's controls.
#include "modal_helpers.h"
#include "app/main_window.h"
#include "app/window_menus.h"
#include "app/window_shell.h"
#include "app/preview_panel.h"
#include "app/option_dialog.h"
#include "app/skins.h"
#include "app/splash_window.h"
#include "app/web_links.h"
#include "engine/native_names.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <filesystem>
#include <QWheelEvent>
#include <QtTest>
#include <functional>
#include <memory>

using namespace kuvo;

namespace {
const QString Samples = QStringLiteral(KUVO_SOURCE_DIR "/data/samples");

template <typename T> T *child(QObject *parent, const QString &name) {
  T *w = parent->findChild<T *>(name);
  if (!w)
    qWarning("no control %s", qPrintable(name));
  return w;
}

// Acts once on the next modal window, without blocking.

// A one-page web server on 127.0.0.1: answers every request with the given
// status and body.
class PageServer : public QObject {
public:
  int status = 200;
  QByteArray body = "<html><body><p>今日资讯</p></body></html>";
  int requests = 0;
  QTcpServer server;

  PageServer() {
    server.listen(QHostAddress::LocalHost);
    connect(&server, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket *s = server.nextPendingConnection()) {
        connect(s, &QTcpSocket::readyRead, s, [this, s] {
          if (!s->readAll().contains("\r\n\r\n"))
            return;
          ++requests;
          const QByteArray reason = status == 200 ? "OK" : "Not Found";
          s->write("HTTP/1.1 " + QByteArray::number(status) + " " + reason +
                   "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: " +
                   QByteArray::number(body.size()) + "\r\n\r\n" + body);
          s->disconnectFromHost();
        });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
      }
    });
  }
  QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/today.html").arg(server.serverPort())); }
};
} // namespace

class TestWindowShell : public QObject {
  Q_OBJECT
private:
  QTemporaryDir work_;
  PageServer pages_;

  std::unique_ptr<MainWindow> makeWindow(const QMap<QString, QString> &keys = {}) {
    QFile::remove(settingsFilePath());
    // No news page unless a test asks for one.
    saveSetting(QStringLiteral("bShowToday"), QStringLiteral("0"));
    for (auto it = keys.begin(); it != keys.end(); ++it)
      saveSetting(it.key(), it.value());
    return std::make_unique<MainWindow>();
  }

  QString copySample(const QString &name, const QString &as) {
    const QString path = work_.filePath(as);
    QFile::remove(path);
    QFile::copy(Samples + QLatin1Char('/') + name, path);
    return path;
  }

private slots:
  void initTestCase() {
    QVERIFY(work_.isValid());
    QVERIFY(pages_.server.isListening());
    setNewsPageUrl(pages_.url());
    // The skins beside the program, as the build installs them.
    const QString dir = QCoreApplication::applicationDirPath();
    QDir().mkpath(dir + QStringLiteral("/skin"));
    QCOMPARE(skinFolder(), dir + QStringLiteral("/skin"));
    QDir().mkpath(dir + QStringLiteral("/skin/img"));
    for (const QString &image : QDir(QStringLiteral(KUVO_SOURCE_DIR "/data/skin/img")).entryList(QDir::Files))
      QFile::copy(QStringLiteral(KUVO_SOURCE_DIR "/data/skin/img/") + image, dir + QStringLiteral("/skin/img/") + image);
    for (int i = 0; i < SkinCount; ++i) {
      QFile::remove(shippedSkinPath(i));
      QVERIFY(QFile::copy(QStringLiteral(KUVO_SOURCE_DIR "/data/skin/") + skinFileName(i), shippedSkinPath(i)));
    }
  }

  void cleanupTestCase() {
    qApp->setStyleSheet(QString());
    // The other window tests share this folder (zp/, user/, size.ini): only
    // what this test made goes.
    QDir(skinFolder()).removeRecursively();
    QFile::remove(settingsFilePath());
  }

  // --- Options dialog ---------------------------------------------------

  void optionsLoad() {
    OptionValues v;
    v.jpegQuality = 77;
    v.autoOpenLinkPage = false;
    v.linkPageShowUrl = true;
    v.cropToFit = false;
    v.cropAnchorX = 2;
    v.cropAnchorY = 1;
    v.pdfDate = QStringLiteral("2000年01月01日");
    v.keepExif = false;
    frmOption dialog(frmOption::Options, v);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("选项"));
    QVERIFY(!child<QGroupBox>(&dialog, "frameSet")->isHidden());
    QVERIFY(child<QGroupBox>(&dialog, "framePDF")->isHidden());
    QCOMPARE(child<QLineEdit>(&dialog, "hsOpt_0")->text(), QStringLiteral("77"));
    // Unticked link page: its two boxes are greyed but keep their ticks.
    QVERIFY(!child<QCheckBox>(&dialog, "chkShowURL")->isEnabled());
    QVERIFY(child<QCheckBox>(&dialog, "chkShowURL")->isChecked());
    QVERIFY(!child<QCheckBox>(&dialog, "chkShowURLPic")->isEnabled());
    // No cropping: the anchors are greyed, the stored ones selected.
    QVERIFY(child<QRadioButton>(&dialog, "Option3")->isChecked());
    QVERIFY(child<QRadioButton>(&dialog, "Option5")->isChecked());
    QVERIFY(!child<QRadioButton>(&dialog, "Option1")->isEnabled());
    child<QCheckBox>(&dialog, "chkJQ")->setChecked(true);
    QVERIFY(child<QRadioButton>(&dialog, "Option1")->isEnabled());
    QVERIFY(!child<QCheckBox>(&dialog, "chkStripGps")->isEnabled());
    // The date box shows today, not the stored date.
    QCOMPARE(child<QLineEdit>(&dialog, "txtPDF3")->text(),
             QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")));

    frmOption pdf(frmOption::Pdf, v);
    QCOMPARE(pdf.windowTitle(), QStringLiteral("PDF参数设置"));
    QVERIFY(pdf.findChild<QGroupBox *>(QStringLiteral("frameSet"))->isHidden());
    QVERIFY(!pdf.findChild<QGroupBox *>(QStringLiteral("framePDF"))->isHidden());
  }

  void optionsConfirm_data() {
    QTest::addColumn<QString>("quality");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("maxKb");
    QTest::addColumn<int>("storedQuality");
    QTest::addColumn<int>("storedInterval");
    QTest::addColumn<int>("storedMaxKb");
    QTest::newRow("plain values") << "85" << "5" << "300" << 85 << 5 << 300;
    QTest::newRow("quality 150 is a byte") << "150" << "5" << "0" << 150 << 5 << 0;
    QTest::newRow("quality 300 keeps the former") << "300" << "5" << "0" << 60 << 5 << 0;
    QTest::newRow("text keeps the former") << "abc" << "x" << "-3" << 60 << 4 << 20;
    QTest::newRow("interval beyond 16 bits") << "60" << "40000" << "20" << 60 << 4 << 20;
    QTest::newRow("negative interval is a 16-bit integer") << "60" << "-5" << "20" << 60 << -5 << 20;
  }
  void optionsConfirm() {
    QFETCH(QString, quality);
    QFETCH(QString, interval);
    QFETCH(QString, maxKb);
    QFile::remove(settingsFilePath());
    OptionValues v;
    v.jpegQuality = 60;
    v.slideSeconds = 4;
    v.maxJpegKb = 20;
    frmOption dialog(frmOption::Options, v);
    child<QLineEdit>(&dialog, "hsOpt_0")->setText(quality);
    child<QLineEdit>(&dialog, "hsOpt_1")->setText(interval);
    child<QLineEdit>(&dialog, "txtMaxKB")->setText(maxKb);
    // Unticking the link page still stores the ticks of its two boxes.
    child<QCheckBox>(&dialog, "chkAutoURL")->setChecked(false);
    child<QCheckBox>(&dialog, "chkKeepExif")->setChecked(false);
    child<QRadioButton>(&dialog, "Option6")->setChecked(true);
    child<QPushButton>(&dialog, "cmdOK")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QTEST(dialog.values().jpegQuality, "storedQuality");
    QTEST(readSetting("iJPGQ").toInt(), "storedQuality");
    QTEST(readSetting("iSlideTime").toInt(), "storedInterval");
    QTEST(readSetting("iMaxKB").toInt(), "storedMaxKb");
    QCOMPARE(readSetting("bAutoURL"), QStringLiteral("0"));
    QCOMPARE(readSetting("bShowURL"), QStringLiteral("1"));
    QCOMPARE(readSetting("bShowURLPic"), QStringLiteral("1"));
    QCOMPARE(readSetting("bKeepExif"), QStringLiteral("0"));
    QCOMPARE(readSetting("iXCutMode"), QStringLiteral("1"));
    QCOMPARE(readSetting("iYCutMode"), QStringLiteral("2"));
    QCOMPARE(readSetting("sPDF3"), QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")));
  }

  void optionsThroughWindow() {
    auto w =
        makeWindow({{"iJPGQ", "70"}, {"bKeepExif", "0"}, {"iMaxKB", "250"}, {"bStripGps", "1"}, {"iExisting", "1"}});
    // The extra switches are read at start.
    QCOMPARE(w->jobSettings().keepMetadata, false);
    QCOMPARE(w->jobSettings().stripGps, true);
    QVERIFY(w->jobSettings().existingFiles == ExistingFiles::Skip);
    QCOMPARE(w->jobSettings().maxJpegKb, 250);

    // Cancel after editing: store and job unchanged.
    onNextModal([](QWidget *d) {
      child<QLineEdit>(d, "hsOpt_0")->setText(QStringLiteral("10"));
      child<QPushButton>(d, "cmdNO")->click();
    });
    QVERIFY(!w->openOptions(frmOption::Options));
    QCOMPARE(w->jobSettings().jpegQuality, 70);
    QCOMPARE(readSetting("iJPGQ"), QStringLiteral("70"));
    QCOMPARE(w->statusText(), QStringLiteral("【提示】请根据需要设置相关参数。"));

    onNextModal([](QWidget *d) {
      QCOMPARE(child<QLineEdit>(d, "hsOpt_0")->text(), QStringLiteral("70"));
      child<QLineEdit>(d, "hsOpt_0")->setText(QStringLiteral("90"));
      child<QCheckBox>(d, "chkResizeOpt")->setChecked(true);
      child<QCheckBox>(d, "chkShowToday")->setChecked(true);
      child<QCheckBox>(d, "chkKeepExif")->setChecked(true);
      QVERIFY(child<QRadioButton>(d, "optExisting1")->isChecked());
      child<QRadioButton>(d, "optExisting2")->setChecked(true); // 自动改名
      child<QCheckBox>(d, "chkStripGps")->setChecked(false);
      child<QCheckBox>(d, "chkKeepGps")->setChecked(true);
      child<QPushButton>(d, "cmdOK")->click();
    });
    QVERIFY(w->openOptions(frmOption::Options));
    QVERIFY(w->jobSettings().existingFiles == ExistingFiles::Rename);
    QCOMPARE(readSetting("iExisting"), QStringLiteral("2"));
    QVERIFY(w->jobSettings().keepGps);
    QCOMPARE(readSetting("bKeepGps"), QStringLiteral("1"));
    QCOMPARE(w->jobSettings().jpegQuality, 90);
    QVERIFY(w->jobSettings().keepSmall);
    QVERIFY(w->jobSettings().keepMetadata);
    QVERIFY(w->shell()->showToday());
    QCOMPARE(readSetting("bShowToday"), QStringLiteral("1"));

    onNextModal([](QWidget *d) {
      QCOMPARE(d->windowTitle(), QStringLiteral("PDF参数设置"));
      child<QLineEdit>(d, "txtPDF1")->setText(QStringLiteral("春游"));
      child<QPushButton>(d, "cmdOK")->click();
    });
    child<QCheckBox>(w.get(), "chkPDF")->click();
    child<QPushButton>(w.get(), "cmdPDFSet")->click();
    QCOMPARE(w->jobSettings().pdfTitle, QStringLiteral("春游"));
    QCOMPARE(readSetting("sPDF1"), QStringLiteral("春游"));
    QVERIFY(w->jobSettings().makePdf);
  }

  // --- Job files --------------------------------------------------------

  void jobFileRoundTrip() {
    const QString path = work_.filePath(QStringLiteral("job.ini"));
    {
      auto w = makeWindow();
      child<QComboBox>(w.get(), "cmbEncode")->setCurrentText(QStringLiteral("png"));
      child<QCheckBox>(w.get(), "chkRM")->setChecked(true);
      child<QLineEdit>(w.get(), "txtFileName")->setText(QStringLiteral("Trip_"));
      child<QLineEdit>(w.get(), "txtXp")->setText(QStringLiteral("12"));
      QVERIFY(w->saveJob(path));
    }
    auto w = makeWindow();
    QVERIFY(w->loadJob(path));
    QCOMPARE(child<QComboBox>(w.get(), "cmbEncode")->currentText(), QStringLiteral("png"));
    QVERIFY(child<QCheckBox>(w.get(), "chkRM")->isChecked());
    QCOMPARE(child<QLineEdit>(w.get(), "txtFileName")->text(), QStringLiteral("Trip_"));
    QCOMPARE(child<QLineEdit>(w.get(), "txtXp")->text(), QStringLiteral("12"));
    QCOMPARE(w->jobSettings().originX, 12.0f);
    QVERIFY(w->statusText().startsWith(QStringLiteral("【提示】已载入任务:")));

    // Keys that do not convert are skipped and named.
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    f.write("iJPGQ=lots\n");
    f.close();
    QVERIFY(w->loadJob(path));
    QVERIFY(w->statusText().contains(QStringLiteral("iJPGQ")));
    QVERIFY(!w->loadJob(work_.filePath(QStringLiteral("missing.ini"))));
  }

  // --- Skins ------------------------------------------------------------

  void shippedSkinsParse() {
    // Qt warns about a style sheet it cannot parse; none may.
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) {
      warnings << m;
    });
    for (int i = 0; i < SkinCount; ++i) {
      QVERIFY2(applySkin(shippedSkinPath(i)), qPrintable(skinFileName(i)));
      MainWindow w;
      w.ensurePolished();
      for (QWidget *c : w.findChildren<QWidget *>())
        c->ensurePolished();
    }
    qInstallMessageHandler(previous);
    for (const QString &m : warnings)
      QVERIFY2(!m.contains(QLatin1String("parse"), Qt::CaseInsensitive), qPrintable(m));
    qApp->setStyleSheet(QString());
  }

  void skinSwitch() {
    auto w = makeWindow();
    QCOMPARE(w->menus()->skinPath(), defaultSkinPath());
    QVERIFY(child<QAction>(w.get(), "mSkin_0")->isChecked());
    child<QAction>(w.get(), "mSkin_3")->trigger();
    QCOMPARE(w->menus()->skinPath(), shippedSkinPath(3));
    QCOMPARE(readSetting("sSkinFileName"), shippedSkinPath(3));
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("经典黑皮肤")));
    QVERIFY(child<QAction>(w.get(), "mSkin_3")->isChecked());
    QVERIFY(!child<QAction>(w.get(), "mSkin_0")->isChecked());

    // "其他皮肤..." cancelled keeps the skin in force.
    onNextModal([](QWidget *d) { static_cast<QDialog *>(d)->reject(); });
    child<QAction>(w.get(), "mSkin_4")->trigger();
    QCOMPARE(w->menus()->skinPath(), shippedSkinPath(3));
    QVERIFY(child<QAction>(w.get(), "mSkin_3")->isChecked());
    QVERIFY(!child<QAction>(w.get(), "mSkin_4")->isChecked());

    // The stored skin is ticked at the next start; a missing file leaves the
    // program unskinned.
    auto again = std::make_unique<MainWindow>();
    QVERIFY(child<QAction>(again.get(), "mSkin_3")->isChecked());
    QVERIFY(!applySkin(work_.filePath(QStringLiteral("none.she"))));
    QVERIFY(qApp->styleSheet().isEmpty());
  }

  // --- Command line -----------------------------------------------------

  void commandLine() {
    const QString a = copySample(QStringLiteral("sunset_landscape.jpg"), QStringLiteral("a b.jpg"));
    const QString b = copySample(QStringLiteral("checker.bmp"), QStringLiteral("b.bmp"));
    const QString c = copySample(QStringLiteral("sunset_landscape.jpg"), QStringLiteral("c.jpeg"));
    const QString d = copySample(QStringLiteral("sunset_landscape.jpg"), QStringLiteral("d.txt"));
    auto w = makeWindow();
    w->openCommandLine({a, c, d, b});
    QCOMPARE(w->files(), (QStringList{a, c, b}));
    QCOMPARE(child<QListWidget>(w.get(), "lstFile")->currentRow(), 2);
    QVERIFY(!child<QPushButton>(w.get(), "cmdDel")->isHidden());
    w->openCommandLine({});
    QCOMPARE(w->files().size(), 3);
  }

  // --- Placement on the preview -------------------------------------------

  void dragAndNudge() {
    const QString pic = copySample(QStringLiteral("sunset_landscape.jpg"), QStringLiteral("drag.jpg"));
    auto w = makeWindow({{"sText", "Kuvo"}, {"iuTSyX", "0.25"}, {"iuTSyY", "0.5"}, {"iSize", "40"}});
    w->resize(1180, 760);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QSignalSpy shown(w->preview(), &PreviewPanel::previewShown);
    w->appendPicture(pic);
    QVERIFY(shown.wait(20000));
    QTRY_VERIFY(!w->preview()->busy());
    const PreviewGeometry g = w->preview()->previewGeometry();
    QVERIFY(!g.shown.isEmpty());
    QVERIFY(!g.textSize.isEmpty());
    auto *area = child<QWidget>(w.get(), "picImg");
    auto *bar = child<QWidget>(w.get(), "lblPos");
    QTRY_VERIFY(bar->isVisible());
    QCOMPARE(QRectF(bar->geometry()), textMarker(g, 0.25, 0.5).toAlignedRect());

    // Press on the text, drag, release: the marker's middle follows.
    const QPoint onText = (g.shown.topLeft() + QPointF(g.shown.width() * 0.25 + 2, g.shown.height() * 0.5 + 2)).toPoint();
    const QPoint to = (g.shown.topLeft() + QPointF(g.shown.width() * 0.6, g.shown.height() * 0.3)).toPoint();
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, onText);
    QCOMPARE(w->preview()->placementTarget(), PlacementTarget::Text);
    QCOMPARE(w->statusText(), QStringLiteral("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。"));
    QMouseEvent move(QEvent::MouseMove, QPointF(to), area->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(area, &move);
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, to);
    const Fraction expected = dragText(g, QPointF(to) - g.shown.topLeft());
    QCOMPARE(w->jobSettings().textX, expected.x);
    QCOMPARE(w->jobSettings().textY, expected.y);
    QCOMPARE(w->jobSettings().textAnchor, int(AnchorFree));

    // Right arrow: one preview pixel; the wheel backward: one pixel down.
    QTRY_VERIFY(!w->preview()->busy());
    const PreviewGeometry now = w->preview()->previewGeometry();
    QTest::keyClick(area, Qt::Key_Right);
    QCOMPARE(w->jobSettings().textX, expected.x + 1.0 / now.shown.width());
    QWheelEvent wheel(QPointF(10, 10), area->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area, &wheel);
    QCOMPARE(w->jobSettings().textY, expected.y + 1.0 / now.shown.height());

    // Move-picture mode: arrows move the start point; the boxes follow.
    w->preview()->enterMoveMode();
    QVERIFY(w->preview()->moveMode());
    QVERIFY(child<QAction>(w.get(), "mXYPos")->isEnabled());
    QTest::keyClick(area, Qt::Key_Left);
    QTest::keyClick(area, Qt::Key_Down);
    QCOMPARE(child<QLineEdit>(w.get(), "txtXp")->text(), QStringLiteral("-1"));
    QCOMPARE(child<QLineEdit>(w.get(), "txtYp")->text(), QStringLiteral("1"));
    child<QAction>(w.get(), "mSet0")->trigger();
    QCOMPARE(w->jobSettings().originX, 0.0f);
    QCOMPARE(w->jobSettings().originY, 0.0f);
    w->preview()->leaveMoveMode();
    QTRY_VERIFY(!w->preview()->busy());
  }

  void pressOnAnchoredWatermarkFreesIt() {
    const QString pic = copySample(QStringLiteral("sunset_landscape.jpg"), QStringLiteral("anchor.jpg"));
    const QString logo = work_.filePath(QStringLiteral("logo.png"));
    QImage mark(120, 60, QImage::Format_ARGB32);
    mark.fill(QColor(0, 90, 200, 200));
    QVERIFY(mark.save(logo));
    auto w = makeWindow({{"suISyF", logo}});
    w->resize(1180, 760);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    auto *list = child<QComboBox>(w.get(), "cmbPosImg");
    list->setCurrentIndex(AnchorBottomRight);
    emit list->activated(AnchorBottomRight);
    QSignalSpy shown(w->preview(), &PreviewPanel::previewShown);
    w->appendPicture(pic);
    QVERIFY(shown.wait(20000));
    QTRY_VERIFY(!w->preview()->busy());
    const PreviewGeometry g = w->preview()->previewGeometry();
    QVERIFY(!g.pictureSize.isEmpty());
    // The anchored watermark's centre, where the last preview put it.
    const double xi = w->jobSettings().pictureWatermarkX, yi = w->jobSettings().pictureWatermarkY;
    QVERIFY(xi > 0.5 && yi > 0.5);
    auto *area = child<QWidget>(w.get(), "picImg");
    const QPoint centre = (g.shown.topLeft() + QPointF(g.shown.width() * xi, g.shown.height() * yi)).toPoint();
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(list->currentText(), QStringLiteral("自定义"));
    QCOMPARE(w->preview()->placementTarget(), PlacementTarget::Picture);
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, centre);
    const Fraction f = dragPicture(g, QPointF(centre) - g.shown.topLeft());
    QCOMPARE(w->jobSettings().pictureWatermarkX, f.x);
    QCOMPARE(w->jobSettings().pictureWatermarkAnchor, int(AnchorFree));
    // A press far from both watermarks catches nothing.
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, (g.shown.topLeft() + QPointF(3, 3)).toPoint());
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, (g.shown.topLeft() + QPointF(3, 3)).toPoint());
    QCOMPARE(w->jobSettings().pictureWatermarkX, f.x);
    QTRY_VERIFY(!w->preview()->busy());
  }

  void wheelWalksTheList() {
    auto w = makeWindow();
    const QString a = copySample(QStringLiteral("checker.bmp"), QStringLiteral("w1.bmp"));
    const QString b = copySample(QStringLiteral("checker.bmp"), QStringLiteral("w2.bmp"));
    w->openCommandLine({a, b});
    auto *list = child<QListWidget>(w.get(), "lstFile");
    auto *area = child<QWidget>(w.get(), "picImg");
    QCOMPARE(list->currentRow(), 1);
    auto wheelBy = [area](int delta) {
      QWheelEvent e(QPointF(5, 5), area->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(area, &e);
    };
    wheelBy(-120); // past the end: stays (and beeps)
    QCOMPARE(list->currentRow(), 1);
    wheelBy(120);
    QCOMPARE(list->currentRow(), 0);
    wheelBy(240); // not one notch: dropped
    QCOMPARE(list->currentRow(), 0);
    wheelBy(120);
    QCOMPARE(list->currentRow(), 0);
    QTRY_VERIFY(!w->preview()->busy());
  }

  void coordinateBox_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::newRow("twelve and thirty") << "12,30" << "12" << "30";
    QTest::newRow("negative X changes nothing") << "-4,30" << "5" << "6";
    QTest::newRow("too short changes nothing") << "1," << "5" << "6";
  }
  void coordinateBox() {
    QFETCH(QString, answer);
    auto w = makeWindow();
    child<QLineEdit>(w.get(), "txtXp")->setText(QStringLiteral("5"));
    child<QLineEdit>(w.get(), "txtYp")->setText(QStringLiteral("6"));
    QString prefill;
    onNextModal([&prefill, answer](QWidget *d) {
      auto *box = qobject_cast<QInputDialog *>(d);
      QVERIFY(box);
      QCOMPARE(box->windowTitle(), QStringLiteral("起始点坐标"));
      prefill = box->textValue();
      box->setTextValue(answer);
      box->accept();
    });
    w->preview()->askOrigin();
    QCOMPARE(prefill, QStringLiteral("5,6"));
    QTEST(child<QLineEdit>(w.get(), "txtXp")->text(), "x");
    QTEST(child<QLineEdit>(w.get(), "txtYp")->text(), "y");
    QFETCH(QString, x);
    QCOMPARE(double(w->jobSettings().originX), x.toDouble());
  }

  // --- The news page ------------------------------------------------------

  void newsPage_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("addPicture");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("visible");
    QTest::newRow("loaded into the idle area") << 200 << false << true << true;
    QTest::newRow("failed page is hidden") << 404 << false << false << false;
    QTest::newRow("list not empty when it arrives") << 200 << true << true << false;
  }
  void newsPage() {
    QFETCH(int, status);
    QFETCH(bool, addPicture);
    pages_.status = status;
    pages_.requests = 0;
    auto w = makeWindow({{"bShowToday", "1"}});
    QSignalSpy finished(w->shell(), &WindowShell::newsPageFinished);
    if (addPicture)
      w->openCommandLine({copySample(QStringLiteral("checker.bmp"), QStringLiteral("n.bmp"))});
    QVERIFY(finished.count() == 1 || finished.wait(10000));
    QCOMPARE(pages_.requests, 1);
    QTEST(finished.first().first().toBool(), "loaded");
    auto *web = child<QTextBrowser>(w.get(), "Web");
    QTEST(!web->isHidden(), "visible");
    QFETCH(bool, loaded);
    if (loaded)
      QVERIFY(web->toPlainText().contains(QStringLiteral("今日资讯")));
    QTRY_VERIFY(!w->preview()->busy());
  }

  void newsPageHidesForPictures() {
    pages_.status = 200;
    auto w = makeWindow({{"bShowToday", "1"}});
    QSignalSpy finished(w->shell(), &WindowShell::newsPageFinished);
    QVERIFY(finished.wait(10000));
    auto *web = child<QTextBrowser>(w.get(), "Web");
    QVERIFY(!web->isHidden());
    w->appendPicture(copySample(QStringLiteral("checker.bmp"), QStringLiteral("h.bmp")));
    QVERIFY(web->isHidden());
    QTRY_VERIFY(!w->preview()->busy());
  }

  void newsPageOff() {
    pages_.requests = 0;
    auto w = makeWindow({{"bShowToday", "0"}});
    QSignalSpy finished(w->shell(), &WindowShell::newsPageFinished);
    QVERIFY(!finished.wait(300));
    QCOMPARE(pages_.requests, 0);
    QVERIFY(child<QTextBrowser>(w.get(), "Web")->isHidden());
  }

  void unreachableServer() {
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    setNewsPageUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/today.html").arg(port)));
    auto w = makeWindow({{"bShowToday", "1"}});
    QSignalSpy finished(w->shell(), &WindowShell::newsPageFinished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY(child<QTextBrowser>(w.get(), "Web")->isHidden());
    setNewsPageUrl(pages_.url());
  }

  void entryFactsAndCaptions() {
    const QString a = copySample(QStringLiteral("checker.bmp"), QStringLiteral("cap1.bmp"));
    const QString b = copySample(QStringLiteral("sunset_landscape.jpg"), QStringLiteral("cap2.jpg"));
    auto w = makeWindow();
    w->openCommandLine({a, b});
    const QSize size = QImage(b).size();
    QCOMPARE(w->statusText(), QStringLiteral("【图片信息】文件名:cap2.jpg  宽:%1  高:%2  大小:%3K   双击文件名可全屏浏览。")
                                  .arg(size.width())
                                  .arg(size.height())
                                  .arg(QFileInfo(b).size() / 1024));
    QVERIFY(w->windowTitle().endsWith(QStringLiteral(" - ") + QDir::toNativeSeparators(b)));

    // Enter stores the caption of the current entry; other entries keep theirs.
    auto *box = child<QLineEdit>(w.get(), "txtPicTxt");
    QVERIFY(box->isHidden());
    child<QAction>(w.get(), "mSPicTxt")->trigger();
    QVERIFY(!box->isHidden());
    box->setText(QStringLiteral("海边日落"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(w->jobSettings().description(1), QStringLiteral("海边日落"));
    QCOMPARE(w->jobSettings().description(0), QString());
    child<QListWidget>(w.get(), "lstFile")->setCurrentRow(0);
    QCOMPARE(box->text(), QString());
    child<QListWidget>(w.get(), "lstFile")->setCurrentRow(1);
    QCOMPARE(box->text(), QStringLiteral("海边日落"));
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(box->isHidden());

    // The arrows walk the list; the thumbnail follows the current entry.
    auto *previous = child<QToolButton>(w.get(), "imgPre");
    auto *next = child<QToolButton>(w.get(), "imgFor");
    auto *thumb = child<QToolButton>(w.get(), "imgSmall");
    QVERIFY(!previous->isHidden());
    QVERIFY(next->isHidden());
    QTRY_VERIFY(!thumb->isHidden());
    QCOMPARE(thumb->iconSize(), size.scaled(72, 72, Qt::KeepAspectRatio));
    previous->click();
    QCOMPARE(child<QListWidget>(w.get(), "lstFile")->currentRow(), 0);
    QVERIFY(previous->isHidden());
    QVERIFY(!next->isHidden());
    QTRY_COMPARE(thumb->iconSize(), QImage(a).size().scaled(72, 72, Qt::KeepAspectRatio));
    QTRY_VERIFY(!w->preview()->busy());
  }

#ifndef Q_OS_WIN
  // A name in GBK bytes, as Windows archives leave them, still shows its
  // size, its thumbnail and, beside another entry, its arrow picture.
  void gbkEntryFacts() {
    const QString b = copySample(QStringLiteral("sunset_landscape.jpg"), QStringLiteral("cap3.jpg"));
    const QByteArray gbk = QFile::encodeName(QFileInfo(b).absolutePath()) + "/\xb7\xe7\xbe\xb0.jpg"; // 风景.jpg
    std::filesystem::remove(gbk.toStdString());
    std::filesystem::copy_file(QFile::encodeName(b).toStdString(), gbk.toStdString());
    auto w = makeWindow();
    w->openCommandLine({nameFromNativeBytes(gbk)});
    const QSize size = QImage(b).size();
    QCOMPARE(w->statusText(), QStringLiteral("【图片信息】文件名:风景.jpg  宽:%1  高:%2  大小:%3K   双击文件名可全屏浏览。")
                                  .arg(size.width())
                                  .arg(size.height())
                                  .arg(QFileInfo(b).size() / 1024));
    auto *thumb = child<QToolButton>(w.get(), "imgSmall");
    QTRY_VERIFY(!thumb->isHidden());
    QCOMPARE(thumb->iconSize(), size.scaled(72, 72, Qt::KeepAspectRatio));
    w->addFiles({b});
    auto *previous = child<QToolButton>(w.get(), "imgPre");
    QTRY_VERIFY(!previous->icon().isNull());
    QTRY_VERIFY(!w->preview()->busy());
    std::filesystem::remove(gbk.toStdString()); // Qt's folder removal cannot see the name
  }
#endif

  void splashBringsUpTheWindow() {
    QFile::remove(settingsFilePath());
    saveSetting(QStringLiteral("bShowToday"), QStringLiteral("0"));
    saveSetting(QStringLiteral("sSkinFileName"), shippedSkinPath(1));
    QCOMPARE(SplashWindow::applyStoredSkin(), shippedSkinPath(1));
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("清新绿")));
    const QString a = copySample(QStringLiteral("checker.bmp"), QStringLiteral("s1.bmp"));
    SplashWindow splash({a, work_.filePath(QStringLiteral("notes.txt"))});
    QCOMPARE(child<QLabel>(&splash, "lblSplash")->text(), QStringLiteral("正在加载Kuvo图片批处理，请稍候..."));
    splash.show();
    QSignalSpy shown(&splash, &SplashWindow::mainWindowShown);
    QVERIFY(shown.wait(5000));
    QPointer<MainWindow> main = splash.mainWindow();
    QVERIFY(main);
    QCOMPARE(main->files(), QStringList{a});
    QTRY_VERIFY(!splash.isVisible());
    QVERIFY(main->isVisible());
    QTRY_VERIFY(!main->preview()->busy());
    main->close(); // deletes itself
    QTRY_VERIFY(main.isNull());
    qApp->setStyleSheet(QString());
  }

  // --- Tool strips and the help menu ----------------------------------------

  void toolStripsAndHelp() {
    auto w = makeWindow();
    child<QAction>(w.get(), "mKTTool")->setChecked(false);
    QVERIFY(child<QWidget>(w.get(), "Frame4")->isHidden());
    child<QAction>(w.get(), "mKRTool")->setChecked(false);
    QVERIFY(child<QWidget>(w.get(), "Frame3")->isHidden());
    child<QAction>(w.get(), "mKTTool")->setChecked(true);
    QVERIFY(!child<QWidget>(w.get(), "Frame4")->isHidden());
    for (const char *name : {"mHWeb", "mBBS", "mDownZY", "mAbout", "mReadMe"})
      QVERIFY(w->findChild<QAction *>(QLatin1String(name)));
  }
};

QTEST_MAIN(TestWindowShell)
#include "tst_window_shell.moc"
