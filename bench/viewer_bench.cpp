// Viewer timings: how long from the request until a large picture is on the
// screen, for the old way (the whole picture decoded on the window thread,
// then scaled to fit) and for the viewer as it is (decoded at the screen's
// size on the thread pool; the next picture read ahead). The three are
// measured interleaved, round after round, and reported as medians.
//
//   viewer_bench PICTURE_A.jpg PICTURE_B.jpg SMALL.png [ROUNDS]
//
// Run it on a real or virtual display of the size to measure for (bench/
// viewer.sh starts an Xvfb of 1920x1080).
#include "viewer/frm_pic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kuvo;

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
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
  const QImage shown = image.scaled(image.size().scaled(screen, Qt::KeepAspectRatio), Qt::IgnoreAspectRatio,
                                    Qt::SmoothTransformation);
  if (shown.isNull())
    std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
  return ms(t);
}

void waitIdle(int msecs) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < msecs)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
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

  std::vector<double> oldTimes, coldTimes, preloadedTimes;
  for (int r = 0; r < rounds; ++r) {
    // Alternate the two pictures so no round starts with a picture the
    // previous one left in a cache; rotate the order of the three ways.
    const QString first = r % 2 ? b : a, second = r % 2 ? a : b;
    for (int k = 0; k < 2; ++k) {
      if ((r + k) % 2 == 0) {
        oldTimes.push_back(oldWay(first, screen));
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
      t.start();
      v->ShowPic(first);
      while (v->isLoading())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      v->repaint();
      coldTimes.push_back(ms(t));

      // The next one, read ahead while the first was looked at.
      if (!QTest::qWaitFor([&] { return v->isCached(second); }, 10000))
        std::fprintf(stderr, "the next picture was not read ahead\n");
      waitIdle(100);
      t.restart();
      QTest::keyClick(v, Qt::Key_Right);
      while (v->isLoading())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      v->repaint();
      preloadedTimes.push_back(ms(t));
      v->close();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      waitIdle(100);
    }
  }
  const double o = median(oldTimes), c = median(coldTimes), p = median(preloadedTimes);
  std::printf("old: decoded on the window thread   median %7.1f ms\n", o);
  std::printf("now: not read ahead                 median %7.1f ms  (%.1fx faster)\n", c, o / c);
  std::printf("now: next picture, read ahead       median %7.1f ms  (%.1fx faster)\n", p, o / p);
  return 0;
}
