// Viewer timings: how long from the request until a large picture is on the
// screen, for the old way (the whole picture decoded on the window thread,
// then scaled to fit) and for the viewer as it is (decoded at the screen's
// size on the thread pool; the next picture read ahead; an arrow key held
// over large pictures). They are measured interleaved, round after round,
// and reported as medians.
//
//   viewer_bench PICTURE_A.jpg PICTURE_B.jpg SMALL.png [ROUNDS]
//
// Run it on a real or virtual display of the size to measure for (bench/
// viewer.sh starts an Xvfb of 1920x1080).
#include "viewer/frm_pic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kuvo;

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// CPU time of the whole process (every thread), in milliseconds: on a shared
// machine the work done says more than the wall time, which waits for cores.
double cpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double ms(const QElapsedTimer &t) {
  return double(t.nsecsElapsed()) / 1e6;
}

// The old viewer: read everything on the window thread, then scale to fit.
double oldWay(const QString &path, QSize screen) {
  QElapsedTimer t;
  t.start();
  QImageReader reader(path);
  reader.setAutoTransform(false);
  const QImage image = reader.read();
  const QImage shown =
      image.scaled(image.size().scaled(screen, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (shown.isNull())
    std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
  return ms(t);
}

// Sleeps in the event loop: a busy wait would take the CPU the decodes need.
void waitIdle(int msecs) {
  QTest::qWait(msecs);
}

// Processes events until done() holds, sleeping between them.
template <typename Done> void waitUntil(Done done) {
  while (!done())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// An arrow key held over large pictures: a press every 40 ms, faster than
// they decode. The time from the last press until that picture is painted.
constexpr int HeldPresses = 6;

double heldKey(const QStringList &files, QSettings *settings) {
  auto *v = new frmPic;
  ViewerOptions o;
  o.files = files;
  o.settings = settings;
  v->open(o);
  if (!QTest::qWaitForWindowExposed(v))
    std::fprintf(stderr, "the viewer window did not show\n");
  waitIdle(800); // the first large one is read ahead
  for (int i = 1; i < HeldPresses; ++i) {
    QTest::keyClick(v, Qt::Key_Right);
    waitIdle(40);
  }
  QElapsedTimer t;
  t.start();
  QTest::keyClick(v, Qt::Key_Right);
  waitUntil([&] { return !v->isLoading() && v->shownPath() == files.last(); });
  v->repaint();
  const double took = ms(t);
  v->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  waitIdle(600); // loads still running finish before the next measurement
  return took;
}

} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s PICTURE_A.jpg PICTURE_B.jpg SMALL.png [ROUNDS]\n", argv[0]);
    return 2;
  }
  const QString a = QString::fromLocal8Bit(argv[1]), b = QString::fromLocal8Bit(argv[2]);
  const QString small = QString::fromLocal8Bit(argv[3]);
  const int rounds = argc > 4 ? std::max(1, atoi(argv[4])) : 7;
  QTemporaryDir dir;
  QSettings settings(dir.path() + QStringLiteral("/kuvo.ini"), QSettings::IniFormat);
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  std::printf("screen %dx%d, %d rounds, %s\n", screen.width(), screen.height(), rounds, qPrintable(a));

  // Copies under their own names for the held key: the viewer keeps its
  // decodes by file name.
  QStringList run{small};
  for (int i = 0; i < HeldPresses; ++i) {
    run << dir.path() + QStringLiteral("/held%1.jpg").arg(i);
    QFile::copy(i % 2 ? b : a, run.last());
  }

  std::vector<double> oldTimes, coldTimes, preloadedTimes, readyTimes, oldCpu, coldCpu, heldTimes;
  for (int r = 0; r < rounds; ++r) {
    // Alternate the two pictures so no round starts with a picture the
    // previous one left in a cache; rotate the order of the three ways.
    const QString first = r % 2 ? b : a, second = r % 2 ? a : b;
    for (int k = 0; k < 3; ++k) {
      const int way = (r + k) % 3;
      if (way == 2) {
        heldTimes.push_back(heldKey(run, &settings));
        continue;
      }
      if (way == 0) {
        const double c0 = cpuMs();
        oldTimes.push_back(oldWay(first, screen));
        oldCpu.push_back(cpuMs() - c0);
        continue;
      }
      auto *v = new frmPic;
      ViewerOptions o;
      o.files = {small, small, first, second};
      o.settings = &settings;
      v->open(o);
      if (!QTest::qWaitForWindowExposed(v))
        std::fprintf(stderr, "the viewer window did not show\n");
      waitIdle(300); // the read-ahead of the small neighbour is done

      // A picture not read ahead: from the request until it is painted.
      QElapsedTimer t;
      const double c0 = cpuMs();
      t.start();
      v->ShowPic(first);
      waitUntil([v] { return !v->isLoading(); });
      readyTimes.push_back(ms(t));
      v->repaint();
      coldTimes.push_back(ms(t));
      coldCpu.push_back(cpuMs() - c0);

      // The next one, read ahead while the first was looked at.
      if (!QTest::qWaitFor([&] { return v->isCached(second); }, 10000))
        std::fprintf(stderr, "the next picture was not read ahead\n");
      waitIdle(100);
      t.restart();
      QTest::keyClick(v, Qt::Key_Right);
      waitUntil([v] { return !v->isLoading(); });
      v->repaint();
      preloadedTimes.push_back(ms(t));
      v->close();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      waitIdle(100);
    }
  }
  const double o = median(oldTimes), c = median(coldTimes), p = median(preloadedTimes);
  std::printf("old: decoded on the window thread   median %7.1f ms  (CPU %.1f ms)\n", o, median(oldCpu));
  std::printf("now: not read ahead                 median %7.1f ms  (%.1fx faster; CPU %.1f ms)\n", c, o / c,
              median(coldCpu));
  std::printf("     of which decoded               median %7.1f ms\n", median(readyTimes));
  std::printf("now: next picture, read ahead       median %7.1f ms  (%.1fx faster)\n", p, o / p);
  std::printf("now: last of %d quick presses        median %7.1f ms\n", HeldPresses, median(heldTimes));
  return 0;
}
