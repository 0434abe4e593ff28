// The viewer window driven as a user would: opening, navigation, list browse
// with paging, the slide show, the speed dialog, cropping into a new list
// entry, the background colour and closing.
#include "platform/program_paths.h"
#include "viewer/frm_box.h"
#include "viewer/frm_pic.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <functional>

using namespace kuvo;

namespace {

// A picture whose every pixel tells where it lies, so a cut can be checked.
QImage positionPicture(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x)
      image.setPixel(x, y, qRgb(x & 255, y & 255, ((x >> 8) << 4) | (y >> 8)));
  return image;
}

void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void drag(QWidget *w, QPoint from, QPoint to) {
  mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void wheel(QWidget *w, int angle, Qt::KeyboardModifiers mods) {
  const QPointF pos(10, 10);
  QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, angle), Qt::NoButton, mods, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}

// Waits until the viewer shows what it was asked to (large pictures are
// decoded on the thread pool).
bool settled(frmPic *v) {
  return QTest::qWaitFor([v] { return !v->isLoading(); }, 10000);
}

// Acts on the next modal window as soon as it is up, without blocking.
void whenModal(std::function<void(QWidget *)> act) {
  auto *timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (QWidget *w = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      act(w);
    }
  });
  timer->start();
}

} // namespace

class TestFrmPic : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void cleanup();
  void opensFittedAndPansAtOriginalSize();
  void navigatesByKeysAndWheel();
  void pagesSixtyFiles();
  void thumbnailClickAndRemove();
  void slideCounterLastsAcrossShows();
  void speedDialog_data();
  void speedDialog();
  void cropSelection_data();
  void cropSelection();
  void cropHandlesAndMove();
  void confirmCropAddsNewFiles();
  void declineCropStaysInCropMode();
  void cropHintBlinksOnce();
  void backgroundColorIsStored();
  void processedPreviewIsDeletedOnClose();
  void wallpaperFileChoice();

private:
  frmPic *openViewer(const QStringList &files, int current = 0, ViewerMode mode = ViewerMode::Single,
                     ViewerSource source = ViewerSource::Original, std::function<QImage(int)> processed = {});
  QString writePicture(const QString &name, const QImage &image);

  QTemporaryDir dir_;
  QSize screen_;
  std::unique_ptr<QSettings> settings_;
  QList<QPointer<frmPic>> open_;
  QStringList cropFiles_;
};

void TestFrmPic::initTestCase() {
  QVERIFY(dir_.isValid());
  qputenv("HOME", dir_.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (dir_.path() + QStringLiteral("/config")).toUtf8());
  qputenv("XDG_DATA_HOME", (dir_.path() + QStringLiteral("/data")).toUtf8());
  settings_ = std::make_unique<QSettings>(dir_.path() + QStringLiteral("/kuvo.ini"), QSettings::IniFormat);
  screen_ = QGuiApplication::primaryScreen()->geometry().size();
  QVERIFY2(screen_.width() >= 400 && screen_.height() >= 300, "the test screen is too small");
}

void TestFrmPic::cleanup() {
  for (const QPointer<frmPic> &v : open_)
    if (v)
      v->close();
  open_.clear();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (const QString &f : cropFiles_)
    QFile::remove(f);
  cropFiles_.clear();
}

frmPic *TestFrmPic::openViewer(const QStringList &files, int current, ViewerMode mode, ViewerSource source,
                               std::function<QImage(int)> processed) {
  auto *v = new frmPic;
  ViewerOptions o;
  o.files = files;
  o.current = current;
  o.mode = mode;
  o.source = source;
  o.processed = std::move(processed);
  o.settings = settings_.get();
  v->open(o);
  open_.append(v);
  settled(v);
  return v;
}

QString TestFrmPic::writePicture(const QString &name, const QImage &image) {
  const QString path = dir_.path() + QLatin1Char('/') + name;
  if (!QFileInfo::exists(path))
    image.save(path);
  return path;
}

void TestFrmPic::opensFittedAndPansAtOriginalSize() {
  const QString small = writePicture(QStringLiteral("small.png"), positionPicture(QSize(200, 100)));
  const QSize bigSize(screen_.width() * 2, screen_.height() * 3);
  const QString big = writePicture(QStringLiteral("big.png"), positionPicture(bigSize));
  frmPic *v = openViewer({small, big});
  QCOMPARE(v->size(), screen_);
  QVERIFY(v->fitToScreen());
  // Smaller than the screen: natural size, centred.
  QCOMPARE(v->pictureRect(), QRect((screen_.width() - 200) / 2, (screen_.height() - 100) / 2, 200, 100));

  QTest::keyClick(v, Qt::Key_Right);
  QCOMPARE(v->currentIndex(), 1);
  QVERIFY(settled(v));
  // Relatively tall: fills the height.
  QCOMPARE(v->pictureRect().height(), screen_.height());
  QCOMPARE(v->pictureRect().top(), 0);

  v->showOriginalSize();
  QVERIFY(!v->fitToScreen());
  QTRY_COMPARE(v->pictureRect(), QRect(QPoint(0, 0), bigSize)); // once the full picture is read
  drag(v, QPoint(200, 200), QPoint(150, 120));
  QCOMPARE(v->pictureRect().topLeft(), QPoint(-50, -80));
  // Dragging far stops with the picture's far edges on the screen's edges.
  drag(v, QPoint(300, 250), QPoint(-5000, -5000));
  QCOMPARE(v->pictureRect().topLeft(), QPoint(screen_.width() - bigSize.width(), screen_.height() - bigSize.height()));
  drag(v, QPoint(10, 10), QPoint(9000, 9000));
  QCOMPARE(v->pictureRect().topLeft(), QPoint(0, 0));
}

void TestFrmPic::navigatesByKeysAndWheel() {
  QStringList files;
  for (int i = 0; i < 3; ++i)
    files << writePicture(QStringLiteral("nav%1.png").arg(i), QImage(QSize(60 + i * 10, 40), QImage::Format_RGB32));
  frmPic *v = openViewer(files, 2);
  QSignalSpy changed(v, &frmPic::currentChanged);
  QTest::keyClick(v, Qt::Key_Right); // the last entry: a beep, nothing else
  QCOMPARE(v->currentIndex(), 2);
  QCOMPARE(changed.count(), 0);
  QTest::keyClick(v, Qt::Key_Up);
  QCOMPARE(v->currentIndex(), 1);
  QCOMPARE(v->picture().width(), 70);
  QCOMPARE(changed.count(), 1);
  QCOMPARE(changed.first().first().toInt(), 1);
  wheel(v, -120, Qt::ControlModifier); // Ctrl held: nothing
  QCOMPARE(v->currentIndex(), 1);
  wheel(v, 120, Qt::NoModifier); // away from the user: previous
  QCOMPARE(v->currentIndex(), 0);
  wheel(v, -60, Qt::NoModifier); // half a notch, then the other half
  QCOMPARE(v->currentIndex(), 0);
  wheel(v, -60, Qt::NoModifier);
  QCOMPARE(v->currentIndex(), 1);
}

void TestFrmPic::pagesSixtyFiles() {
  QStringList files;
  for (int i = 0; i < 60; ++i)
    files << writePicture(QStringLiteral("p%1.png").arg(i, 2, 10, QLatin1Char('0')),
                          QImage(QSize(300, 200), QImage::Format_RGB32));
  frmPic *v = openViewer(files, 0, ViewerMode::List);
  auto *prev = v->findChild<QPushButton *>(QStringLiteral("Command1"));
  auto *next = v->findChild<QPushButton *>(QStringLiteral("Command2"));
  QVERIFY(prev && next);
  QCOMPARE(v->mode(), ViewerMode::List);
  QCOMPARE(v->visibleThumbnailCount(), 56);
  QVERIFY(next->isEnabled());
  QVERIFY(!prev->isEnabled());
  QTRY_COMPARE(v->loadedThumbnailCount(), 56);

  next->click();
  QCOMPARE(v->page(), 1);
  QCOMPARE(v->visibleThumbnailCount(), 4);
  QVERIFY(!next->isEnabled());
  QVERIFY(prev->isEnabled());
  QTRY_COMPARE(v->loadedThumbnailCount(), 4);

  prev->click();
  QCOMPARE(v->page(), 0);
  QCOMPARE(v->visibleThumbnailCount(), 56);
  QVERIFY(!prev->isEnabled());
  QVERIFY(next->isEnabled());
  // Thumbnails seen before come back without decoding again.
  QCOMPARE(v->loadedThumbnailCount(), 56);
}

void TestFrmPic::thumbnailClickAndRemove() {
  QStringList files;
  for (int i = 0; i < 60; ++i)
    files << writePicture(QStringLiteral("p%1.png").arg(i, 2, 10, QLatin1Char('0')),
                          QImage(QSize(300, 200), QImage::Format_RGB32));
  frmPic *v = openViewer(files, 0, ViewerMode::List);
  QSignalSpy removed(v, &frmPic::removed);
  QSignalSpy changed(v, &frmPic::currentChanged);
  v->nextPage();
  // "移除图片" on the second thumbnail of page 1 removes entry 57; the page
  // is laid again so the third cell now opens what was entry 58.
  v->removeThumbnail(1);
  QCOMPARE(removed.count(), 1);
  QCOMPARE(removed.first().first().toInt(), 57);
  QCOMPARE(v->files().size(), 59);
  QCOMPARE(v->visibleThumbnailCount(), 3);
  const QRect cell = v->thumbnailGeometry(1);
  mouse(v, QEvent::MouseButtonPress, cell.center(), Qt::LeftButton, Qt::LeftButton);
  mouse(v, QEvent::MouseButtonRelease, cell.center(), Qt::LeftButton, Qt::NoButton);
  QCOMPARE(v->mode(), ViewerMode::Single);
  QCOMPARE(v->currentIndex(), 57);
  QCOMPARE(v->files().at(57), files.at(58));
  QCOMPARE(changed.last().first().toInt(), 57);
  QCOMPARE(v->visibleThumbnailCount(), 0);
  QVERIFY(!v->findChild<QWidget *>(QStringLiteral("picBox"))->isVisible());
  // The second click of a double click on the thumbnail must not close the viewer.
  mouse(v, QEvent::MouseButtonDblClick, cell.center(), Qt::LeftButton, Qt::LeftButton);
  QVERIFY(v->isVisible());
}

void TestFrmPic::slideCounterLastsAcrossShows() {
  const QRgb colors[] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200), qRgb(200, 200, 0), qRgb(0, 200, 200)};
  QStringList files;
  for (int i = 0; i < 5; ++i) {
    QImage img(QSize(40, 30), QImage::Format_RGB32);
    img.fill(colors[i]);
    files << writePicture(QStringLiteral("slide%1.png").arg(i), img);
  }
  const int start = frmPic::slideCounter();
  QPointer<frmPic> a = openViewer(files, 0, ViewerMode::SlideShow);
  QVERIFY(a->slideShowRunning());
  QCOMPARE(a->mode(), ViewerMode::SlideShow);
  for (int k = 0; k < 3; ++k) {
    a->slideTick();
    QCOMPARE(a->picture().pixel(0, 0), colors[(start + k) % 5]);
  }
  a->close();
  QVERIFY(!a || !a->slideShowRunning());

  frmPic *b = openViewer(files, 0);
  b->toggleSlideShow();
  QVERIFY(b->slideShowRunning());
  QCOMPARE(b->mode(), ViewerMode::SlideShow);
  b->slideTick(); // continues after the last picture of the first show
  QCOMPARE(b->picture().pixel(0, 0), colors[(start + 3) % 5]);
  QCOMPARE(frmPic::slideCounter(), start + 4);
  b->toggleSlideShow();
  QVERIFY(!b->slideShowRunning());
}

void TestFrmPic::speedDialog_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<bool>("accept");
  QTest::addColumn<int>("expected"); // -1: unchanged
  QTest::newRow("40 seconds") << "40" << true << 40;
  QTest::newRow("an hour") << "3600" << true << 3600;
  QTest::newRow("zero") << "0" << true << -1;
  QTest::newRow("letters") << "abc" << true << -1;
  QTest::newRow("too long") << "7200" << true << -1;
  QTest::newRow("cancelled") << "9" << false << -1;
}

void TestFrmPic::speedDialog() {
  QFETCH(QString, entry);
  QFETCH(bool, accept);
  QFETCH(int, expected);
  const QString pic = writePicture(QStringLiteral("small.png"), positionPicture(QSize(200, 100)));
  frmPic::setSlideInterval(7); // as the options dialog would
  frmPic::setSlideInterval(0); // ignored
  frmPic *v = openViewer({pic});
  v->toggleSlideShow();
  const int before = v->slideInterval();
  QCOMPARE(before, 7);
  QCOMPARE(v->slideTimerInterval(), 7000);
  QString title, shown;
  whenModal([&](QWidget *w) {
    auto *box = qobject_cast<QInputDialog *>(w);
    if (!box) {
      w->close();
      return;
    }
    title = box->windowTitle();
    shown = box->textValue();
    box->setTextValue(entry);
    if (accept)
      box->accept();
    else
      box->reject();
  });
  v->editSlideInterval();
  QCOMPARE(title, QStringLiteral("设置"));
  QCOMPARE(shown, QString::number(before));
  const int now = expected < 0 ? before : expected;
  QCOMPARE(v->slideInterval(), now);
  QCOMPARE(v->slideTimerInterval(), now * 1000);
}

void TestFrmPic::cropSelection_data() {
  // The picture is twice the screen's size, so it is shown at half size from
  // the top left; positions are fractions of the screen.
  QTest::addColumn<QPointF>("from");
  QTest::addColumn<QPointF>("to");
  QTest::addColumn<QRectF>("expected"); // fractions of the screen, or empty for none
  QTest::newRow("top left to bottom right")
      << QPointF(0.25, 0.25) << QPointF(0.5, 0.75) << QRectF(0.25, 0.25, 0.25, 0.5);
  QTest::newRow("bottom right to top left")
      << QPointF(0.5, 0.75) << QPointF(0.25, 0.25) << QRectF(0.25, 0.25, 0.25, 0.5);
  QTest::newRow("bottom left to top right")
      << QPointF(0.25, 0.75) << QPointF(0.5, 0.25) << QRectF(0.25, 0.25, 0.25, 0.5);
  QTest::newRow("beyond the right edge: clamped")
      << QPointF(0.5, 0.5) << QPointF(1.5, 0.75) << QRectF(0.5, 0.5, 0.5, 0.25);
  QTest::newRow("a click makes no selection") << QPointF(0.5, 0.5) << QPointF(0.5, 0.5) << QRectF();
  QTest::newRow("a straight line makes no selection") << QPointF(0.25, 0.5) << QPointF(0.75, 0.5) << QRectF();
}

void TestFrmPic::cropSelection() {
  QFETCH(QPointF, from);
  QFETCH(QPointF, to);
  QFETCH(QRectF, expected);
  const QSize size = screen_ * 2;
  const QImage original = positionPicture(size);
  const QString pic = writePicture(QStringLiteral("double.png"), original);
  frmPic *v = openViewer({pic});
  QCOMPARE(v->pictureRect(), QRect(QPoint(0, 0), screen_));
  v->enterCropMode();
  QVERIFY(v->cropMode());
  auto at = [&](QPointF f) { return QPoint(int(f.x() * screen_.width()), int(f.y() * screen_.height())); };
  drag(v, at(from), at(to));
  auto *toolbar = v->findChild<QWidget *>(QStringLiteral("Picture1"));
  if (expected.isEmpty()) {
    QVERIFY(!v->hasSelection());
    QVERIFY(!toolbar->isVisible());
    return;
  }
  const QPoint tl = at(expected.topLeft()), br = at(expected.bottomRight());
  QVERIFY(v->hasSelection());
  QCOMPARE(v->selection(), QRect(tl, QSize(br.x() - tl.x(), br.y() - tl.y())));
  QVERIFY(toolbar->isVisible());
  // Shown at half size: the cut holds twice as many original pixels, from
  // the original file itself.
  const QImage cut = v->cutImage();
  QCOMPARE(cut.size(), v->selection().size() * 2);
  const QPoint o = v->selection().topLeft() * 2;
  QCOMPARE(cut.pixel(0, 0), original.pixel(o));
  QCOMPARE(cut.pixel(cut.width() - 1, cut.height() - 1), original.pixel(o + QPoint(cut.width() - 1, cut.height() - 1)));
}

void TestFrmPic::cropHandlesAndMove() {
  const QString pic = writePicture(QStringLiteral("double.png"), positionPicture(screen_ * 2));
  frmPic *v = openViewer({pic});
  v->enterCropMode();
  drag(v, QPoint(100, 100), QPoint(200, 160));
  QCOMPARE(v->selection(), QRect(100, 100, 100, 60));
  // Handle 6 (bottom right) dragged past the top left: the rectangle turns
  // over instead of getting a negative size.
  drag(v, QPoint(200, 160), QPoint(60, 70));
  QCOMPARE(v->selection(), QRect(60, 70, 40, 30));
  QCOMPARE(v->cutImage().size(), QSize(80, 60));
  // Handle 7 (middle right) dragged exactly onto the left edge: one pixel wide.
  drag(v, QPoint(100, 85), QPoint(60, 85));
  QCOMPARE(v->selection(), QRect(60, 70, 1, 30));
  QVERIFY(!v->cutImage().isNull());
  // Handle 1 (top middle) stretches the height; then a move inside the
  // selection is pulled back at the picture's bottom edge.
  drag(v, QPoint(60, 70), QPoint(60, 20));
  QCOMPARE(v->selection(), QRect(60, 20, 1, 80));
  drag(v, QPoint(60, 60), QPoint(60, 60));
  v->findChild<QToolButton *>(QStringLiteral("Image2_0"))->click(); // "重新裁剪"
  QVERIFY(!v->hasSelection());
  QVERIFY(v->cropMode());
  drag(v, QPoint(100, 100), QPoint(200, 200));
  drag(v, QPoint(150, 150), QPoint(150, 150 + screen_.height()));
  QCOMPARE(v->selection(), QRect(100, screen_.height() - 100, 100, 100));
  QCOMPARE(v->cutImage().size(), QSize(200, 200));
  // Esc leaves crop mode; the viewer stays.
  QTest::keyClick(v, Qt::Key_Escape);
  QVERIFY(!v->cropMode());
  QVERIFY(!v->hasSelection());
  QVERIFY(v->isVisible());
  // So does a right click, without opening the menu.
  v->enterCropMode();
  drag(v, QPoint(100, 100), QPoint(200, 200));
  QVERIFY(v->findChild<QWidget *>(QStringLiteral("Picture1"))->isVisible());
  mouse(v, QEvent::MouseButtonPress, QPoint(150, 150), Qt::RightButton, Qt::RightButton);
  QVERIFY(!v->cropMode());
  QVERIFY(!v->findChild<QWidget *>(QStringLiteral("Picture1"))->isVisible());
  QVERIFY(!v->findChild<QMenu *>(QStringLiteral("mImg2"))->isVisible());
}

void TestFrmPic::confirmCropAddsNewFiles() {
  const QImage original = positionPicture(screen_ * 2);
  const QString other = writePicture(QStringLiteral("small.png"), positionPicture(QSize(200, 100)));
  const QString pic = writePicture(QStringLiteral("double.png"), original);
  frmPic *v = openViewer({other, pic}, 1);
  QSignalSpy added(v, &frmPic::cropAdded);
  QStringList paths;
  QString title, question;
  for (int round = 0; round < 2; ++round) {
    v->enterCropMode();
    // The second round crops the first crop, now shown centred at its size.
    const QPoint o = v->pictureRect().topLeft();
    if (round == 0)
      drag(v, o + QPoint(50, 40), o + QPoint(150, 90));
    else
      drag(v, o + QPoint(10, 10), o + QPoint(60, 40));
    QVERIFY(v->hasSelection());
    whenModal([&](QWidget *w) {
      title = w->windowTitle();
      if (auto *l = w->findChild<QLabel *>(QStringLiteral("lblQuestion")))
        question = l->text();
      auto *yes = w->findChild<QPushButton *>(QStringLiteral("cmdYes"));
      if (yes)
        yes->click();
      else
        w->close();
    });
    v->findChild<QToolButton *>(QStringLiteral("Image2_2"))->click(); // "确定裁剪"
    QCOMPARE(added.count(), round + 1);
    const QString path = added.last().at(0).toString();
    cropFiles_ << path;
    QCOMPARE(added.last().at(1).toInt(), 1);
    QVERIFY(!v->cropMode());
    QCOMPARE(v->files().size(), 2);
    QCOMPARE(v->files().last(), path);
    QCOMPARE(v->currentIndex(), 1);
    paths << path;
  }
  QCOMPARE(title, QStringLiteral("Kuvo提示"));
  QCOMPARE(question, QStringLiteral("确认裁剪并添加到图片批处理列表吗？"));
  // Both crops have their own file, even within one second.
  QVERIFY(paths[0] != paths[1]);
  QVERIFY(QFileInfo(paths[0]).fileName().startsWith(QStringLiteral("user")));
  QCOMPARE(QFileInfo(paths[0]).absolutePath(), QFileInfo(scratchFolder()).absoluteFilePath());
  // The first is the original's region at full resolution; the second was cut
  // from the first (the new entry is the current one).
  const QImage first(paths[0]);
  QCOMPARE(QImageReader(paths[0]).format(), QByteArray("bmp"));
  QCOMPARE(first.size(), QSize(200, 100));
  QCOMPARE(first.pixel(0, 0), original.pixel(100, 80));
  QCOMPARE(first.pixel(199, 99), original.pixel(299, 179));
  const QImage second(paths[1]);
  QCOMPARE(second.size(), QSize(50, 30));
  QCOMPARE(second.pixel(0, 0), first.pixel(10, 10));
  QCOMPARE(v->picture().size(), second.size());
}

void TestFrmPic::declineCropStaysInCropMode() {
  const QString pic = writePicture(QStringLiteral("double.png"), positionPicture(screen_ * 2));
  frmPic *v = openViewer({pic});
  QSignalSpy added(v, &frmPic::cropAdded);
  v->enterCropMode();
  drag(v, QPoint(50, 40), QPoint(150, 90));
  whenModal([](QWidget *w) {
    if (auto *no = w->findChild<QPushButton *>(QStringLiteral("cmdNo")))
      no->click();
    else
      w->close();
  });
  // A double click inside the selection confirms as the button does.
  mouse(v, QEvent::MouseButtonDblClick, QPoint(100, 60), Qt::LeftButton, Qt::LeftButton);
  QCOMPARE(added.count(), 0);
  QVERIFY(v->isVisible());
  QVERIFY(v->cropMode());
  QVERIFY(!v->hasSelection());
  QCOMPARE(v->naturalSize(), screen_ * 2); // the original again, not the cut
  QVERIFY(v->fitToScreen());
  QCOMPARE(v->files(), QStringList{pic});
}

void TestFrmPic::cropHintBlinksOnce() {
  const QString pic = writePicture(QStringLiteral("small.png"), positionPicture(QSize(200, 100)));
  frmPic *v = openViewer({pic});
  auto *tip = v->findChild<QLabel *>(QStringLiteral("lblTip"));
  QVERIFY(tip);
  QTest::qWait(600);
  QVERIFY(!tip->isVisible()); // not before crop mode is entered
  v->enterCropMode();
  QTRY_VERIFY_WITH_TIMEOUT(tip->isVisible(), 2000);
  QCOMPARE(tip->text(), QStringLiteral("【提示】按住鼠标左键拖动选择裁剪的区域。"));
  QVERIFY(qAbs(tip->geometry().center().x() - v->width() / 2) <= 1);
  QCOMPARE(tip->y(), v->height() / 2);
  QTRY_VERIFY_WITH_TIMEOUT(!tip->isVisible(), 4000);
  // Once seen, it stays away until the viewer opens again.
  v->leaveCropMode();
  v->enterCropMode();
  QTest::qWait(1200);
  QVERIFY(!tip->isVisible());
}

void TestFrmPic::backgroundColorIsStored() {
  const QString pic = writePicture(QStringLiteral("small.png"), positionPicture(QSize(200, 100)));
  frmPic *v = openViewer({pic});
  v->setBackgroundColorIndex(3);
  settings_->sync();
  QCOMPARE(settings_->value(QStringLiteral("Options/iBGColor")).toString(), QStringLiteral("3"));
  v->close();
  frmPic *w = openViewer({pic});
  QCOMPARE(w->backgroundColorIndex(), 3);
  QCOMPARE(w->grab().toImage().pixel(1, 1), qRgb(255, 0, 0));
  w->setBackgroundColorIndex(0);
}

void TestFrmPic::processedPreviewIsDeletedOnClose() {
  const QString pic = writePicture(QStringLiteral("small.png"), positionPicture(QSize(200, 100)));
  int asked = -1;
  QWidget mainWindow;
  mainWindow.show();
  QPointer<frmPic> v = new frmPic(&mainWindow);
  ViewerOptions o;
  o.files = {pic, pic};
  o.current = 1;
  o.source = ViewerSource::Processed;
  o.processed = [&](int index) {
    asked = index;
    QImage img(QSize(64, 48), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    return img;
  };
  o.mainWindow = &mainWindow;
  o.settings = settings_.get();
  v->open(o);
  open_.append(v);
  QVERIFY(!mainWindow.isVisible()); // hidden while the viewer is open
  QCOMPARE(asked, 1);
  QCOMPARE(v->picture().size(), QSize(64, 48));
  const QString temp = v->tempPreviewPath();
  QVERIFY(QFileInfo::exists(temp));
  QSignalSpy closed(v.data(), &frmPic::closed);
  QVERIFY(v->isWindow());
  QTest::keyClick(v, Qt::Key_Left);
  QCOMPARE(asked, 0);
  QTest::keyClick(v, Qt::Key_Escape);
  QCOMPARE(closed.count(), 1);
  QVERIFY(mainWindow.isVisible());
  QVERIFY(!QFileInfo::exists(temp));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(v.isNull());
}

void TestFrmPic::wallpaperFileChoice() {
  QImage img(QSize(32, 24), QImage::Format_RGB32);
  img.fill(Qt::darkCyan);
  const QString bmp = writePicture(QStringLiteral("plain.bmp"), img);
  const QString upper = dir_.path() + QStringLiteral("/UPPER.BMP");
  img.save(upper, "BMP");
  const QString png = writePicture(QStringLiteral("cyan.png"), img);
  frmPic *v = openViewer({bmp, upper, png});
  QCOMPARE(v->prepareWallpaperFile(), bmp); // a .bmp original is used in place
  QTest::keyClick(v, Qt::Key_Right);
  const QString fromUpper = v->prepareWallpaperFile();
  QVERIFY(fromUpper != upper); // ".BMP" does not count: converted
  QTest::keyClick(v, Qt::Key_Right);
  const QString fromPng = v->prepareWallpaperFile();
  QVERIFY(fromPng.startsWith(dir_.path() + QStringLiteral("/data/")));
  QCOMPARE(QImageReader(fromPng).format(), QByteArray("bmp"));
  QCOMPARE(QImage(fromPng).pixel(5, 5), img.pixel(5, 5));

  // No desktop and no tool: the viewer says so, off the window thread.
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", dir_.path().toUtf8());
  qputenv("XDG_CURRENT_DESKTOP", "i3");
  QSignalSpy status(v, &frmPic::statusMessage);
  v->setWallpaper(1);
  QVERIFY(v->wallpaperBusy() || status.count() == 1);
  QTRY_COMPARE(status.count(), 1);
  qputenv("PATH", path);
  const QString text = status.at(0).at(0).toString();
  QVERIFY2(text.startsWith(QStringLiteral("【操作错误】")) && text.contains(QStringLiteral("xwallpaper")), qPrintable(text));
  QCOMPARE(v->noticeText(), text);
}

QTEST_MAIN(TestFrmPic)
#include "tst_frm_pic.moc"
