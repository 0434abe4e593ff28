// What the viewer shows while and after it reads pictures: large pictures
// off the window thread with the previous one kept, neighbours read ahead,
// a message for a picture that cannot be shown or when there is nothing to
// show, phone photos upright with the crop cut from the right pixels; and the
// slide-show keys, the information line and the background-colour check.
#include "viewer/frm_pic.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace kuvo;

namespace {

bool settled(frmPic *v) {
  return QTest::qWaitFor([v] { return !v->isLoading(); }, 20000);
}

// A JPEG holding only an EXIF Orientation tag in its APP1 segment.
QByteArray jpegWithOrientation(const QImage &image, int orientation) {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 95);
  const char tiff[] = {'I',  'I',  42, 0, 8, 0, 0, 0,                             // little-endian, first IFD at 8
                       1,    0,                                                   // one entry
                       0x12, 0x01, 3,  0, 1, 0, 0, 0, char(orientation), 0, 0, 0, // Orientation, SHORT, 1
                       0,    0,    0,  0};                                        // no next IFD
  QByteArray app1 = QByteArray("Exif\0\0", 6) + QByteArray(tiff, sizeof tiff);
  const int length = int(app1.size()) + 2;
  app1.prepend(char(length & 0xFF)).prepend(char(length >> 8)).prepend(char(0xE1)).prepend(char(0xFF));
  return jpeg.left(2) + app1 + jpeg.mid(2);
}

bool reddish(QRgb c) {
  return qRed(c) > 180 && qBlue(c) < 80;
}

} // namespace

class TestViewerLoading : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void cleanup();
  void largePicturesOffTheWindowThread();
  void heldKeyDropsWaitingLoads();
  void failedLoadSaysSo_data();
  void failedLoadSaysSo();
  void nothingToShow_data();
  void nothingToShow();
  void phonePhotosUpright();
  void slideShowKeys();
  void infoLineAndColourCheck();

private:
  frmPic *open(const QStringList &files, int current = 0, ViewerSource source = ViewerSource::Original,
               std::function<QImage(int)> processed = {});
  QString write(const QString &name, const QByteArray &bytes);
  QString writeImage(const QString &name, const QImage &image);

  QTemporaryDir dir_;
  std::unique_ptr<QSettings> settings_;
  QList<QPointer<frmPic>> open_;
};

void TestViewerLoading::initTestCase() {
  QVERIFY(dir_.isValid());
  qputenv("HOME", dir_.path().toUtf8());
  qputenv("XDG_DATA_HOME", (dir_.path() + QStringLiteral("/data")).toUtf8());
  settings_ = std::make_unique<QSettings>(dir_.path() + QStringLiteral("/kuvo.ini"), QSettings::IniFormat);
}

void TestViewerLoading::cleanup() {
  for (const QPointer<frmPic> &v : open_)
    if (v)
      v->close();
  open_.clear();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

frmPic *TestViewerLoading::open(const QStringList &files, int current, ViewerSource source,
                                std::function<QImage(int)> processed) {
  auto *v = new frmPic;
  ViewerOptions o;
  o.files = files;
  o.current = current;
  o.source = source;
  o.processed = std::move(processed);
  o.settings = settings_.get();
  v->open(o);
  open_.append(v);
  return v;
}

QString TestViewerLoading::write(const QString &name, const QByteArray &bytes) {
  const QString path = dir_.path() + QLatin1Char('/') + name;
  QFile f(path);
  if (f.open(QIODevice::WriteOnly))
    f.write(bytes);
  return path;
}

QString TestViewerLoading::writeImage(const QString &name, const QImage &image) {
  const QString path = dir_.path() + QLatin1Char('/') + name;
  if (!QFile::exists(path))
    image.save(path, nullptr, 90);
  return path;
}

void TestViewerLoading::largePicturesOffTheWindowThread() {
  QImage small(64, 48, QImage::Format_RGB32);
  small.fill(Qt::green);
  QImage large(2400, 1200, QImage::Format_RGB32);
  large.fill(Qt::blue);
  const QString a = writeImage(QStringLiteral("a.png"), small);
  const QString b = writeImage(QStringLiteral("b.jpg"), large);
  const QString c = writeImage(QStringLiteral("c.png"), small);
  large.fill(Qt::red);
  const QString d = writeImage(QStringLiteral("d.jpg"), large);
  frmPic *v = open({a, b, c, d});
  QVERIFY(settled(v));
  // The next entry is read ahead, the one after it is not.
  QTRY_VERIFY(v->isCached(b));
  QVERIFY(!v->isCached(d));

  QTest::keyClick(v, Qt::Key_Right);
  QVERIFY(!v->isLoading()); // preloaded: shown at once
  QCOMPARE(v->naturalSize(), QSize(2400, 1200));
  QVERIFY(v->picture().width() < 2400); // read at the reduced scale the screen needs
  QVERIFY(v->picture().width() >= v->pictureRect().width());

  // Not read ahead: the window goes on showing the previous picture meanwhile.
  v->ShowPic(d);
  QVERIFY(v->isLoading());
  QVERIFY(!reddish(v->picture().pixel(10, 10)));
  QVERIFY(settled(v));
  QVERIFY(reddish(v->picture().pixel(10, 10)));

  // "原始大小" reads the full picture.
  v->showOriginalSize();
  QTRY_COMPARE(v->picture().size(), QSize(2400, 1200));
  QCOMPARE(v->pictureRect().size(), QSize(2400, 1200));
}

// Arrow presses faster than pictures decode, while every thread is busy: the
// loads of the pictures passed by are dropped before they start, and the one
// the user stopped at is shown.
void TestViewerLoading::heldKeyDropsWaitingLoads() {
  QImage small(64, 48, QImage::Format_RGB32);
  small.fill(Qt::green);
  QStringList files{writeImage(QStringLiteral("start.png"), small)};
  QImage large(2400, 1200, QImage::Format_RGB32);
  for (int i = 0; i < 5; ++i) {
    large.fill(i == 4 ? QColor(Qt::red) : QColor(Qt::blue));
    files << writeImage(QStringLiteral("held%1.jpg").arg(i), large);
  }
  frmPic *v = open(files);
  QVERIFY(settled(v));
  QTRY_VERIFY(v->isCached(files[1])); // the read-ahead of the first large one

  QThreadPool *pool = QThreadPool::globalInstance();
  QSemaphore busy, release;
  const int threads = pool->maxThreadCount();
  for (int i = 0; i < threads; ++i)
    pool->start([&] {
      busy.release();
      release.acquire();
    });
  QVERIFY(busy.tryAcquire(threads, 20000));
  for (int i = 0; i < 5; ++i)
    QTest::keyClick(v, Qt::Key_Right);
  QCOMPARE(v->currentIndex(), 5);
  QVERIFY(v->isLoading());
  release.release(threads);
  QVERIFY(settled(v));
  QVERIFY(reddish(v->picture().pixel(10, 10)));
  QTRY_VERIFY(v->isCached(files[4])); // the read-ahead goes on from there
  QVERIFY(pool->waitForDone(20000));
  QCoreApplication::processEvents();
  QVERIFY(!v->isCached(files[3])); // passed by: never decoded, though near enough to keep
}

void TestViewerLoading::failedLoadSaysSo_data() {
  QTest::addColumn<QByteArray>("bytes"); // empty with missing: no file at all
  QTest::addColumn<bool>("missing");
  QTest::addColumn<QString>("reason");
  QTest::newRow("missing") << QByteArray() << true << "文件不存在";
  QTest::newRow("empty") << QByteArray() << false << "文件是空的";
  QTest::newRow("not a picture") << QByteArray("just some text, no picture") << false << "不是能识别的图片";
  QByteArray header("\xFF\xD8\xFF\xE0", 4);
  QTest::newRow("JPEG cut after its marker") << header << false << "无法解码";
}

void TestViewerLoading::failedLoadSaysSo() {
  QFETCH(QByteArray, bytes);
  QFETCH(bool, missing);
  QFETCH(QString, reason);
  QImage img(40, 30, QImage::Format_RGB32);
  img.fill(Qt::blue);
  const QString good = writeImage(QStringLiteral("good.png"), img);
  const QString bad = dir_.path() + QStringLiteral("/坏图 %1.jpg").arg(QTest::currentDataTag());
  QFile::remove(bad);
  if (!missing)
    write(QFileInfo(bad).fileName(), bytes);
  frmPic *v = open({good, bad, good});
  QVERIFY(!v->picture().isNull());
  QTRY_VERIFY(!v->isReadingAhead()); // a failed read-ahead is not tried over and over

  QTest::keyClick(v, Qt::Key_Right);
  QVERIFY(settled(v));
  QCOMPARE(v->currentIndex(), 1);
  QVERIFY(v->picture().isNull()); // not the previous picture under the new entry's name
  QVERIFY2(v->messageText().contains(QFileInfo(bad).fileName()) && v->messageText().contains(reason),
           qPrintable(v->messageText()));

  QTest::keyClick(v, Qt::Key_Right);
  QVERIFY(settled(v));
  QVERIFY(!v->picture().isNull());
  QVERIFY(v->messageText().isEmpty());
}

void TestViewerLoading::nothingToShow_data() {
  QTest::addColumn<bool>("processed");
  QTest::addColumn<QString>("message");
  QTest::newRow("empty list") << false << "没有可以显示的图片";
  QTest::newRow("no processed picture") << true << "没有可以预览的处理图";
}

void TestViewerLoading::nothingToShow() {
  QFETCH(bool, processed);
  QImage img(40, 30, QImage::Format_RGB32);
  img.fill(Qt::blue);
  const QStringList files = processed ? QStringList{writeImage(QStringLiteral("good.png"), img)} : QStringList();
  frmPic *v =
      open(files, 0, processed ? ViewerSource::Processed : ViewerSource::Original, [](int) { return QImage(); });
  QVERIFY(v->picture().isNull());
  QFETCH(QString, message);
  QVERIFY2(v->messageText().startsWith(message), qPrintable(v->messageText()));
}

// Orientation 6: the stored picture is turned a quarter clockwise to stand
// upright, so the stored top-left corner ends at the top right.
void TestViewerLoading::phonePhotosUpright() {
  QImage stored(120, 80, QImage::Format_RGB32);
  stored.fill(Qt::blue);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      stored.setPixel(x, y, qRgb(255, 0, 0));
  const QString path = write(QStringLiteral("phone.jpg"), jpegWithOrientation(stored, 6));
  frmPic *v = open({path});
  QVERIFY(settled(v));
  QCOMPARE(v->naturalSize(), QSize(80, 120));
  QCOMPARE(v->picture().size(), QSize(80, 120));
  QVERIFY(reddish(v->picture().pixel(70, 10)));
  QVERIFY(!reddish(v->picture().pixel(10, 10)));

  // A crop of the upright top-right quarter is the stored red corner, upright.
  v->enterCropMode();
  const QPoint origin = v->pictureRect().topLeft();
  QTest::mousePress(v, Qt::LeftButton, {}, origin + QPoint(44, 4));
  const QPointF end(origin + QPoint(76, 56));
  QMouseEvent move(QEvent::MouseMove, end, v->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(v, &move);
  QTest::mouseRelease(v, Qt::LeftButton, {}, end.toPoint());
  QVERIFY(v->hasSelection());
  const QImage cut = v->cutImage();
  QCOMPARE(cut.size(), QSize(32, 52));
  QVERIFY(reddish(cut.pixel(2, 2)) && reddish(cut.pixel(29, 49)));
}

void TestViewerLoading::slideShowKeys() {
  QStringList files;
  for (int i = 0; i < 3; ++i) {
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(QColor::fromHsv(i * 100, 200, 200));
    files << writeImage(QStringLiteral("slide%1.png").arg(i), img);
  }
  QPointer<frmPic> v = open(files);
  v->toggleSlideShow();
  QVERIFY(v->slideShowRunning());

  QTest::keyClick(v, Qt::Key_Space);
  QVERIFY(v->slidePaused());
  QCOMPARE(v->mode(), ViewerMode::SlideShow);
  QTest::keyClick(v, Qt::Key_Space);
  QVERIFY(v->slideShowRunning());

  // The menu is there during a show.
  auto *menu = v->findChild<QMenu *>(QStringLiteral("mImg2"));
  QTest::mousePress(v, Qt::RightButton, {}, QPoint(5, 5));
  QTRY_VERIFY(menu->isVisible());
  menu->close();

  // Esc ends the show first (the slide on screen becomes the current entry),
  // then the viewer.
  v->slideTick();
  const int shown = (frmPic::slideCounter() - 1) % 3;
  QTest::keyClick(v, Qt::Key_Escape);
  QVERIFY(v && v->isVisible());
  QVERIFY(!v->slideShowRunning());
  QCOMPARE(v->mode(), ViewerMode::Single);
  QCOMPARE(v->currentIndex(), shown);
  QTest::keyClick(v, Qt::Key_Escape);
  QTRY_VERIFY(!v || !v->isVisible());
}

void TestViewerLoading::infoLineAndColourCheck() {
  QImage img(200, 100, QImage::Format_RGB32);
  img.fill(Qt::gray);
  const QString a = writeImage(QStringLiteral("信息.png"), img);
  frmPic *v = open({a, a});
  QVERIFY(!v->infoVisible());
  QTest::keyClick(v, Qt::Key_I);
  QVERIFY(v->infoVisible());
  QVERIFY(v->findChild<QAction *>(QStringLiteral("mImgInfo"))->isChecked());
  const QString info = v->infoText();
  for (const char *part : {"信息.png", "1/2", "200×100 像素", "缩放 100%"})
    QVERIFY2(info.contains(QString::fromUtf8(part)), qPrintable(info));
  QTest::keyClick(v, Qt::Key_I);
  QVERIFY(!v->infoVisible());

  // Only the chosen colour's swatch carries the check on its left.
  v->setBackgroundColorIndex(3);
  for (int i = 0; i < 7; ++i) {
    const QImage icon = v->findChild<QAction *>(QStringLiteral("mSetBGCLRS%1").arg(i))->icon().pixmap(30, 14).toImage();
    bool marked = false;
    for (int y = 0; y < icon.height(); ++y)
      for (int x = 0; x < icon.width() * 12 / 30; ++x)
        marked |= qAlpha(icon.pixel(x, y)) > 0;
    QCOMPARE(marked, i == 3);
  }
}

QTEST_MAIN(TestViewerLoading)
#include "tst_viewer_loading.moc"
