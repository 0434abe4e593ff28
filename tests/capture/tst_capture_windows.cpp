// The capture windows on a real X screen. Run by CTest under the offscreen
// platform, this program starts its own Xvfb server and runs itself again on
// it with "-xvfb-child"; the child holds the window tests.
#include "capture/frm_cap.h"
#include "capture/frm_copy_src.h"
#include "platform/program_paths.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QCameraDevice>
#include <QMediaDevices>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>

#include <cstring>

using namespace kuvo;

namespace {

// A picture whose every pixel tells where it is, so a wrong offset or size of
// a captured region cannot go unnoticed.
QImage patternImage(const QSize &size) {
  QImage image(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x)
      line[x] = qRgb(x & 255, y & 255, ((x >> 8) * 64 + (y >> 8) * 128 + x + y) & 255);
  }
  return image;
}

class PatternWindow : public QWidget {
public:
  explicit PatternWindow(const QImage &image) : QWidget(nullptr), image_(image) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    setFixedSize(image.size());
  }

protected:
  void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, image_); }

private:
  QImage image_;
};

QVideoFrame videoFrame(const QImage &image) {
  const QImage source = image.convertToFormat(QImage::Format_ARGB32);
  QVideoFrame frame(QVideoFrameFormat(source.size(), QVideoFrameFormat::Format_BGRA8888));
  if (!frame.map(QVideoFrame::WriteOnly))
    return {};
  for (int y = 0; y < source.height(); ++y)
    std::memcpy(frame.bits(0) + y * frame.bytesPerLine(0), source.constScanLine(y), size_t(source.width()) * 4);
  frame.unmap();
  return frame;
}

// Largest difference of any channel between two pictures of one size.
int maxChannelDifference(const QImage &a, const QImage &b) {
  if (a.size() != b.size())
    return 256;
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  int worst = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
    const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col)
      worst = std::max({worst, std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                        std::abs(qBlue(p[col]) - qBlue(q[col]))});
  }
  return worst;
}

int bmpBitsPerPixel(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return -1;
  const QByteArray header = file.read(30);
  if (header.size() < 30 || !header.startsWith("BM"))
    return -1;
  return uchar(header[28]) | (uchar(header[29]) << 8);
}

void saveShot(const QString &name) {
  const QString dir = qEnvironmentVariable("KUVO_CAPTURE_SHOTS");
  if (dir.isEmpty())
    return;
  QTest::qWait(100); // let the windows paint first
  QString file = name;
  file.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9.]+")), QStringLiteral("_"));
  QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(dir).filePath(file));
}

} // namespace

// ---------------------------------------------------------------------------
// The window tests, run inside the Xvfb server.
class CaptureOnScreen : public QObject {
  Q_OBJECT

  const QPoint patternAt{40, 30};
  QImage pattern;
  PatternWindow *patternWindow = nullptr;
  QWidget *mainWindow = nullptr;
  QStringList madeFiles;

  // The picture the screen shows at a rectangle of screen pixels.
  QImage expectedAt(const QRect &screenRect) const { return pattern.copy(screenRect.translated(-patternAt)); }

  // True once the X screen shows the pattern again: after a capture window
  // goes away the pattern window has to repaint what it covered.
  bool screenShowsPattern() const {
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    return maxChannelDifference(screen.copy(QRect(patternAt, pattern.size())), pattern) == 0;
  }

  QPointer<frmCopySrc> openCapture() {
    [&] { QTRY_VERIFY_WITH_TIMEOUT(screenShowsPattern(), 10000); }();
    if (QTest::currentTestFailed())
      return nullptr;
    QPointer<frmCopySrc> window = frmCopySrc::start(mainWindow, 50);
    [&] {
      QVERIFY(mainWindow->isHidden());
      QTRY_VERIFY_WITH_TIMEOUT(window && window->isVisible(), 10000);
      QVERIFY(QTest::qWaitForWindowExposed(window));
    }();
    if (QTest::currentTestFailed()) {
      if (window)
        window->close();
      return nullptr;
    }
    return window;
  }

  static void drag(QWidget *w, const QPoint &from, const QPoint &to) {
    QTest::mousePress(w, Qt::LeftButton, {}, from);
    QTest::mouseMove(w, (from + to) / 2);
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, Qt::LeftButton, {}, to);
  }

  // Closing happens through deleteLater; wait for it and check what closing
  // must leave behind.
  void expectClosed(QPointer<frmCopySrc> &window) {
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
    QVERIFY(mainWindow->isVisible());
    QVERIFY(!QFile::exists(frmCopySrc::frozenScratchPath()));
    QVERIFY(!QFile::exists(frmCopySrc::darkenedScratchPath()));
  }

private slots:
  void initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1280, 800));
    // The pattern reaches the right edge of the screen.
    pattern = patternImage(QSize(1280 - patternAt.x(), 650));
    patternWindow = new PatternWindow(pattern);
    patternWindow->move(patternAt);
    patternWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(patternWindow));
    mainWindow = new QWidget;
    mainWindow->setWindowTitle(QStringLiteral("Kuvo图片批处理"));
    mainWindow->setGeometry(900, 700, 300, 80);
    mainWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(mainWindow));
    QTest::qWait(200);
  }

  void cleanupTestCase() {
    for (const QString &path : std::as_const(madeFiles))
      QFile::remove(path);
    delete mainWindow;
    delete patternWindow;
  }

  void init() { QTestPrivate::qtestMouseButtons = Qt::NoButton; }

  // A test that failed half-way may leave its capture window over the screen.
  void cleanup() {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (qobject_cast<frmCopySrc *>(w) && w->isVisible())
        w->close();
    QTest::qWait(20);
    if (mainWindow && mainWindow->isHidden())
      mainWindow->show();
  }

  void capturedRegionIsSavedAndCopied() {
    QPointer<frmCopySrc> w = openCapture();
    QVERIFY(w);
    QVERIFY(QFile::exists(frmCopySrc::frozenScratchPath()));
    QVERIFY(QFile::exists(frmCopySrc::darkenedScratchPath()));
    QCOMPARE(w->geometry(), QRect(0, 0, 1280, 800));
    QCOMPARE(w->frozenScreen().size(), QSize(1280, 800));
    // The main window was hidden before the screen was frozen: where it stood
    // the frozen picture shows the empty (black) desktop.
    QImage black(mainWindow->size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    QCOMPARE(maxChannelDifference(w->frozenScreen().copy(mainWindow->geometry()), black), 0);
    QCOMPARE(maxChannelDifference(w->frozenScreen().copy(QRect(patternAt, pattern.size())), pattern), 0);

    // Drawn from bottom right to top left.
    drag(w, QPoint(437, 261), QPoint(300, 150));
    const QRect expected(300, 150, 137, 111);
    QCOMPARE(w->selection(), expected);
    QCOMPARE(w->mode(), frmCopySrc::Mode::Move);
    QVERIFY(w->sizeLabel()->isVisible());
    QCOMPARE(w->sizeLabel()->text(), QStringLiteral("137x111"));
    QCOMPARE(w->sizeLabel()->pos(), QPoint(302, 152));
    QVERIFY(w->toolbar()->isVisible());
    QCOMPARE(w->toolbar()->geometry().topLeft(), QPoint(437 - w->toolbar()->width(), 261 + 4));
    // Each action shows its own icon.
    QList<QImage> icons;
    for (int i = 0; i < 4; ++i) {
      const QImage icon = w->toolbarButton(i)->icon().pixmap(18, 18).toImage();
      QVERIFY(!icon.isNull());
      QVERIFY(!icons.contains(icon));
      icons << icon;
    }
    QTest::qWait(50);
    saveShot(QStringLiteral("frmCopySrc.png"));

    QSignalSpy added(w.data(), &frmCopySrc::pictureAdded);
    QTest::mouseClick(w->toolbarButton(2), Qt::LeftButton);
    QCOMPARE(added.size(), 1);
    const QString path = QDir::fromNativeSeparators(added.at(0).at(0).toString());
    madeFiles << path;
    QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(scratchFolder()).absoluteFilePath());
    QVERIFY2(QRegularExpression(QStringLiteral("^user\\d{14}(_\\d+)?\\.bmp$")).match(QFileInfo(path).fileName()).hasMatch(),
             qPrintable(path));
    QCOMPARE(bmpBitsPerPixel(path), 24);
    const QImage saved(path);
    QCOMPARE(saved.size(), expected.size());
    QCOMPARE(maxChannelDifference(saved, expectedAt(expected)), 0);
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(maxChannelDifference(copied, expectedAt(expected)), 0);
    expectClosed(w);
  }

  void toolbarPlacement_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("where"); // below, inside or left
    QTest::newRow("below the rectangle") << QPoint(500, 300) << QPoint(760, 420) << "below";
    QTest::newRow("near the bottom: inside") << QPoint(700, 790) << QPoint(400, 600) << "inside";
    QTest::newRow("touching the bottom: inside") << QPoint(200, 500) << QPoint(520, 800) << "inside";
    QTest::newRow("narrow at the left: at 0") << QPoint(0, 100) << QPoint(30, 200) << "left";
    QTest::newRow("narrow, left and low") << QPoint(10, 700) << QPoint(40, 795) << "left inside";
  }

  void toolbarPlacement() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, where);
    QPointer<frmCopySrc> w = openCapture();
    QVERIFY(w);
    drag(w, from, to);
    const QRect sel = w->selection();
    const QRect bar = w->toolbar()->geometry();
    QVERIFY(w->toolbar()->isVisible());
    QVERIFY2(w->rect().contains(bar), "the toolbar leaves the screen");
    const int right = sel.x() + sel.width(), bottom = sel.y() + sel.height();
    if (where.contains(QStringLiteral("left"))) {
      QCOMPARE(bar.x(), 0);
    } else {
      QCOMPARE(bar.x() + bar.width(), right);
    }
    if (where.contains(QStringLiteral("inside")))
      QCOMPARE(bar.y() + bar.height(), bottom - 4);
    else
      QCOMPARE(bar.y(), bottom + 4);
    saveShot(QStringLiteral("frmCopySrc-%1.png").arg(QString::fromUtf8(QTest::currentDataTag())));
    QSignalSpy added(w.data(), &frmCopySrc::pictureAdded);
    QTest::keyClick(w, Qt::Key_Escape);
    QCOMPARE(added.size(), 0);
    expectClosed(w);
  }

  void movingAndResizingStayOnScreen() {
    QPointer<frmCopySrc> w = openCapture();
    QVERIFY(w);
    drag(w, QPoint(1000, 100), QPoint(1200, 300));
    QCOMPARE(w->selection(), QRect(1000, 100, 200, 200));
    // Dragged far right and up: stops with its right edge on the screen edge.
    drag(w, QPoint(1100, 200), QPoint(1400, 150));
    QCOMPARE(w->selection(), QRect(1080, 50, 200, 200));
    QCOMPARE(w->sizeLabel()->pos(), QPoint(1082, 52));
    drag(w, QPoint(1100, 100), QPoint(1100, -300));
    QCOMPARE(w->selection(), QRect(1080, 0, 200, 200));
    // Bottom-right handle: the right and bottom edges follow it.
    drag(w, QPoint(1279, 200), QPoint(1179, 300));
    QCOMPARE(w->selection(), QRect(1080, 0, 100, 300));
    QCOMPARE(w->sizeLabel()->text(), QStringLiteral("100x300"));
    // Left-middle handle dragged past the right edge: the edges swap.
    drag(w, QPoint(1080, 150), QPoint(1230, 150));
    QCOMPARE(w->selection(), QRect(1180, 0, 50, 300));
    // Top handle dragged above the screen stops at 0; nothing else moves.
    drag(w, QPoint(1205, 0), QPoint(1205, -50));
    QCOMPARE(w->selection(), QRect(1180, 0, 50, 300));
    QVERIFY(w->toolbar()->isVisible());

    const QRect sel = w->selection();
    QTest::mouseClick(w->toolbarButton(1), Qt::LeftButton);
    QCOMPARE(maxChannelDifference(QGuiApplication::clipboard()->image(), expectedAt(sel)), 0);
    expectClosed(w);
  }

  void pressOutsideClickAndRestart() {
    QPointer<frmCopySrc> w = openCapture();
    QVERIFY(w);
    // A click without a drag selects nothing.
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(600, 400));
    QCOMPARE(w->mode(), frmCopySrc::Mode::Draw);
    QVERIFY(w->toolbar()->isHidden());
    drag(w, QPoint(100, 100), QPoint(300, 250));
    QCOMPARE(w->mode(), frmCopySrc::Mode::Move);
    // A drag that starts outside the rectangle draws a new one.
    drag(w, QPoint(700, 500), QPoint(650, 450));
    QCOMPARE(w->selection(), QRect(650, 450, 50, 50));
    // "重新截图" forgets the rectangle.
    QCOMPARE(w->toolbarButton(0)->toolTip(), QStringLiteral("重新截图"));
    QTest::mouseClick(w->toolbarButton(0), Qt::LeftButton);
    QCOMPARE(w->mode(), frmCopySrc::Mode::Draw);
    QVERIFY(w->selection().isEmpty());
    QVERIFY(w->toolbar()->isHidden());
    QVERIFY(w->sizeLabel()->isHidden());
    QVERIFY(w->isVisible());
    QTest::mouseClick(w->toolbarButton(3), Qt::LeftButton);
    expectClosed(w);
  }

  void cancelling_data() {
    QTest::addColumn<int>("how"); // 0 Esc at once, 1 right click with a rectangle, 2 "退出截图"
    QTest::newRow("Esc before any drag") << 0;
    QTest::newRow("right click") << 1;
    QTest::newRow("退出截图") << 2;
  }

  void cancelling() {
    QFETCH(int, how);
    QPointer<frmCopySrc> w = openCapture();
    QVERIFY(w);
    QSignalSpy added(w.data(), &frmCopySrc::pictureAdded);
    const QImage before = QGuiApplication::clipboard()->image();
    if (how > 0)
      drag(w, QPoint(200, 200), QPoint(260, 260));
    if (how == 0)
      QTest::keyClick(w, Qt::Key_Escape);
    else if (how == 1)
      QTest::mouseClick(w, Qt::RightButton, {}, QPoint(230, 230));
    else
      QTest::mouseClick(w->toolbarButton(3), Qt::LeftButton);
    QCOMPARE(added.size(), 0);
    expectClosed(w);
    QCOMPARE(QGuiApplication::clipboard()->image(), before);
  }

  void doubleClick() {
    QPointer<frmCopySrc> w = openCapture();
    QVERIFY(w);
    QSignalSpy added(w.data(), &frmCopySrc::pictureAdded);
    drag(w, QPoint(400, 400), QPoint(480, 470));
    // Outside the rectangle: nothing.
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(600, 600));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(600, 600));
    QVERIFY(w);
    QCOMPARE(added.size(), 0);
    QCOMPARE(w->selection(), QRect(400, 400, 80, 70));
    // Inside: saved and added.
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(440, 430));
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    QCOMPARE(added.size(), 1);
    const QString path = QDir::fromNativeSeparators(added.at(0).at(0).toString());
    madeFiles << path;
    QCOMPARE(maxChannelDifference(QImage(path), expectedAt(QRect(400, 400, 80, 70))), 0);
    expectClosed(w);
  }

  void capturesInOneSecondKeepTheirFiles() {
    QStringList paths;
    const QList<QRect> regions{QRect(100, 100, 40, 30), QRect(500, 300, 60, 20)};
    for (const QRect &r : regions) {
      QPointer<frmCopySrc> w = openCapture();
      QVERIFY(w);
      QSignalSpy added(w.data(), &frmCopySrc::pictureAdded);
      drag(w, r.topLeft(), r.topLeft() + QPoint(r.width(), r.height()));
      QTest::mouseClick(w->toolbarButton(2), Qt::LeftButton);
      QCOMPARE(added.size(), 1);
      paths << QDir::fromNativeSeparators(added.at(0).at(0).toString());
      madeFiles << paths.last();
      expectClosed(w);
    }
    QVERIFY(paths[0] != paths[1]);
    for (int i = 0; i < 2; ++i)
      QCOMPARE(maxChannelDifference(QImage(paths[i]), expectedAt(regions[i])), 0);
  }

  void webcamWithoutCamera() {
    if (!QMediaDevices::videoInputs().isEmpty())
      QSKIP("a camera is attached; this case needs a machine without one");
    frmCap dialog(mainWindow);
    QSignalSpy added(&dialog, &frmCap::pictureAdded);
    QSignalSpy status(&dialog, &frmCap::statusMessage);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("摄像头拍照"));
    QVERIFY(!dialog.hasCamera());
    QVERIFY(dialog.isModal());
    QVERIFY(dialog.frameArea()->pixmap().isNull());
    QCOMPARE(dialog.frameArea()->text(), QStringLiteral("没有检测到摄像头"));
    QCOMPARE(dialog.frameArea()->size(), QSize(320, 240));
    saveShot(QStringLiteral("frmCap-no-camera.png"));
    QVERIFY(QApplication::activeModalWidget() == &dialog || !QApplication::activeModalWidget());
    auto *shoot = dialog.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QVERIFY(shoot && ok);
    QVERIFY(!shoot->isEnabled());
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("Command2"))->isEnabled());
    QTest::mouseClick(shoot, Qt::LeftButton);
    QVERIFY(!dialog.isFrozen());
    QVERIFY(dialog.frameArea()->pixmap().isNull());
    // "确定" without a photo adds nothing and says why.
    status.clear();
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(added.size(), 0);
    QCOMPARE(status.size(), 1);
    QVERIFY(status.at(0).at(0).toString().startsWith(QStringLiteral("【操作错误】")));
    QVERIFY(dialog.savedPath().isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
  }

  // A change of the camera list is taken up while the window is open; with
  // no camera left, a picture still in the sink is stale, the photo stays.
  void webcamFollowsCameraList() {
    if (!QMediaDevices::videoInputs().isEmpty())
      QSKIP("a camera is attached; this case needs a machine without one");
    frmCap dialog(mainWindow);
    QSignalSpy added(&dialog, &frmCap::pictureAdded);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *devices = dialog.findChild<QMediaDevices *>();
    auto *shoot = dialog.findChild<QPushButton *>(QStringLiteral("Command1"));
    QVERIFY(devices && shoot);
    const QImage photo = patternImage(QSize(320, 240));
    dialog.videoSink()->setVideoFrame(videoFrame(photo));
    QTRY_VERIFY(shoot->isEnabled());
    dialog.takePhoto();
    emit devices->videoInputsChanged();
    QVERIFY(!dialog.hasCamera());
    QVERIFY(dialog.liveFrame().isNull());
    QVERIFY(!shoot->isEnabled());
    QVERIFY(dialog.isFrozen());
    dialog.confirm();
    QCOMPARE(added.size(), 1);
    madeFiles << QDir::fromNativeSeparators(added.at(0).at(0).toString());
    QVERIFY(maxChannelDifference(QImage(madeFiles.last()), photo) <= 2);
  }

  void webcamCancelClosesModalWindow() {
    frmCap dialog(mainWindow);
    bool clicked = false;
    QTimer::singleShot(300, &dialog, [&] {
      if (auto *no = dialog.findChild<QPushButton *>(QStringLiteral("cmdNO"))) {
        QCOMPARE(no->text(), QStringLiteral("取消"));
        QTest::mouseClick(no, Qt::LeftButton);
        clicked = true;
      }
    });
    QTimer::singleShot(10000, &dialog, [&] { dialog.done(42); }); // a hang would fail below
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(clicked);
    QVERIFY(!dialog.hasCamera());
  }

  void webcamFramesPhotoRetakeConfirm() {
    frmCap dialog(mainWindow);
    QSignalSpy added(&dialog, &frmCap::pictureAdded);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage first = patternImage(QSize(640, 480));
    const QImage second = patternImage(QSize(640, 480)).mirrored(true, false);
    dialog.videoSink()->setVideoFrame(videoFrame(first));
    QTRY_VERIFY(!dialog.liveFrame().isNull());
    QVERIFY(maxChannelDifference(dialog.liveFrame(), first) <= 2);
    QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("Command1"))->isEnabled()); // pictures arrive
    QVERIFY(!dialog.frameArea()->pixmap().isNull());
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY(dialog.isFrozen());
    // The frozen frame stays while the live picture goes on.
    dialog.videoSink()->setVideoFrame(videoFrame(second));
    QTRY_VERIFY(maxChannelDifference(dialog.liveFrame(), second) <= 2);
    QVERIFY(maxChannelDifference(dialog.frozenFrame(), first) <= 2);
    saveShot(QStringLiteral("frmCap.png"));
    // "重拍" drops the frozen frame; the next photo holds the newer frame.
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
    QVERIFY(!dialog.isFrozen());
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY(maxChannelDifference(dialog.frozenFrame(), second) <= 2);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    QCOMPARE(added.size(), 1);
    const QString path = QDir::fromNativeSeparators(added.at(0).at(0).toString());
    madeFiles << path;
    QCOMPARE(QDir::fromNativeSeparators(dialog.savedPath()), path);
    QVERIFY2(QRegularExpression(QStringLiteral("^Cap\\d{8}(_\\d+)?\\.bmp$")).match(QFileInfo(path).fileName()).hasMatch(),
             qPrintable(path));
    QCOMPARE(bmpBitsPerPixel(path), 24);
    QCOMPARE(maxChannelDifference(QImage(path), dialog.frozenFrame()), 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // A second photo confirmed at once gets its own file.
    frmCap again(mainWindow);
    QSignalSpy addedAgain(&again, &frmCap::pictureAdded);
    again.videoSink()->setVideoFrame(videoFrame(first));
    QTRY_VERIFY(!again.liveFrame().isNull());
    again.takePhoto();
    again.confirm();
    QCOMPARE(addedAgain.size(), 1);
    const QString second_path = QDir::fromNativeSeparators(addedAgain.at(0).at(0).toString());
    madeFiles << second_path;
    QVERIFY(second_path != path);
    QCOMPARE(maxChannelDifference(QImage(path), dialog.frozenFrame()), 0);
  }
};

// ---------------------------------------------------------------------------
// Starts Xvfb on a free display and runs this program's window tests there.
class CaptureUnderXvfb : public QObject {
  Q_OBJECT

private slots:
  void windowsOnXServer() {
    const QString xvfb = QStringLiteral("/usr/bin/Xvfb");
    if (!QFileInfo(xvfb).isExecutable())
      QSKIP("Xvfb is not installed (package xvfb): the capture windows are not tested");
    // Xvfb picks a free display itself and writes its number to stdout, so
    // tests running side by side never share or fight over one.
    QProcess server;
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
    if (!server.waitForStarted(5000))
      QSKIP("Xvfb could not be started");
    QByteArray announced;
    for (int waited = 0; waited < 15000 && !announced.contains('\n'); waited += 50) {
      server.waitForReadyRead(50);
      announced += server.readAllStandardOutput();
      if (server.state() == QProcess::NotRunning)
        break;
    }
    bool numberOk = false;
    const int display = announced.trimmed().toInt(&numberOk);
    if (!numberOk) {
      server.kill();
      server.waitForFinished(2000);
    }
    QVERIFY2(numberOk, "Xvfb did not report its display");
    auto stopServer = qScopeGuard([&] {
      server.terminate();
      if (!server.waitForFinished(3000)) {
        server.kill();
        server.waitForFinished(2000);
      }
    });

    // The child runs from a copy of this program in a folder of its own, so
    // its scratch folder (user/ beside the program) is its own too.
    QTemporaryDir runtime;
    QString program = QCoreApplication::applicationFilePath();
    const QString copy = runtime.filePath(QFileInfo(program).fileName());
    if (QFile::copy(program, copy))
      program = copy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QTEST_FUNCTION_TIMEOUT"), QStringLiteral("60000"));
    env.remove(QStringLiteral("XAUTHORITY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(program, {QStringLiteral("-xvfb-child")});
    QVERIFY(child.waitForStarted(10000));
    const bool finished = child.waitForFinished(100000);
    const QByteArray output = child.readAll();
    fputs(output.constData(), stdout);
    fflush(stdout);
    if (!finished) {
      child.kill();
      child.waitForFinished(2000);
      QFAIL("the window tests did not finish in time");
    }
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
  }
};

int main(int argc, char **argv) {
  std::vector<char *> args(argv, argv + argc);
  bool child = false;
  for (auto it = args.begin(); it != args.end();) {
    if (std::strcmp(*it, "-xvfb-child") == 0) {
      child = true;
      it = args.erase(it);
    } else {
      ++it;
    }
  }
  int count = int(args.size());
  args.push_back(nullptr);
  if (child) {
    QApplication app(count, args.data());
    CaptureOnScreen tests;
    return QTest::qExec(&tests, count, args.data());
  }
  QCoreApplication app(count, args.data());
  CaptureUnderXvfb tests;
  return QTest::qExec(&tests, count, args.data());
}

#include "tst_capture_windows.moc"
