// The preview in the real window: time from selecting a list entry (or
// changing a setting) to the first paint of the new preview, split into the
// pipeline's part (selection to finished picture) and the window's part
// (finished picture to painted). Run under a display server; bench/window_bench.sh
// starts Xvfb for it.
//
//   kuvo-window-bench BASELINE.jpg PROGRESSIVE.jpg [ROUNDS [SCREENSHOT.png]]
#include "app/main_window.h"
#include "app/web_links.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// Waits for the preview that the action starts: the previewShown signal,
// then the first paint of the preview label after it.
struct Timing {
  double computed = -1, painted = -1; // ms after the action
  double cpu = -1;                    // CPU ms of the whole process (all threads) until painted
};

// CPU time counts only this program's turns, so it stays meaningful on a
// machine shared with other work, where wall time does not.
double processCpuMs() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

class PaintWatch : public QObject {
public:
  explicit PaintWatch(QWidget *label) : label_(label) { label->installEventFilter(this); }
  bool armed = false;
  bool painted = false;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (armed && watched == label_ && event->type() == QEvent::Paint)
      painted = true;
    return false;
  }

private:
  QWidget *label_;
};

Timing timeAction(kuvo::MainWindow &w, PaintWatch &watch, const std::function<void()> &action) {
  Timing t;
  QElapsedTimer timer;
  bool shown = false;
  const auto conn = QObject::connect(&w, &kuvo::MainWindow::previewShown, [&] {
    shown = true;
    t.computed = timer.nsecsElapsed() / 1e6;
    watch.armed = true;
  });
  watch.armed = false;
  watch.painted = false;
  const double cpu0 = processCpuMs();
  timer.start();
  action();
  while (!(shown && watch.painted) && timer.elapsed() < 20000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  if (watch.painted) {
    t.painted = timer.nsecsElapsed() / 1e6;
    t.cpu = processCpuMs() - cpu0;
  }
  QObject::disconnect(conn);
  return t;
}

double median(std::vector<double> v) {
  if (v.empty())
    return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void report(const char *what, const std::vector<Timing> &ts, double target) {
  std::vector<double> computed, painted, cpu;
  for (const Timing &t : ts) {
    computed.push_back(t.computed);
    painted.push_back(t.painted);
    cpu.push_back(t.cpu);
  }
  const double p = median(painted);
  std::printf("T4 %-32s %7.1f ms to paint, picture ready at %6.1f ms, %6.1f CPU ms (median of %zu); "
              "target <= %3.0f ms  %s\n",
              what, p, median(computed), median(cpu), ts.size(), target, p >= 0 && p <= target ? "met" : "NOT MET");
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kuvo-window-bench BASELINE.jpg PROGRESSIVE.jpg [ROUNDS [SCREENSHOT.png]]\n");
    return 2;
  }
  // A private settings folder: the bench never touches the user's settings.
  QTemporaryDir home;
  qputenv("HOME", home.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
  QApplication app(argc, argv);
  kuvo::setNewsPageUrl(QUrl(QStringLiteral("http://127.0.0.1:9/today.html")));
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

  kuvo::MainWindow w;
  w.show();
  auto *list = w.findChild<QListWidget *>(QStringLiteral("lstFile"));
  auto *label = w.findChild<QLabel *>(QStringLiteral("imgM"));
  auto *red = w.findChild<QLineEdit *>(QStringLiteral("txtRGB_0"));
  if (!list || !label || !red)
    return 1;
  w.addFiles({QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])});
  PaintWatch watch(label);
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 500)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

  std::vector<Timing> baseline, progressive, change;
  for (int r = 0; r < rounds; ++r) {
    progressive.push_back(timeAction(w, watch, [&] { list->setCurrentRow(1); }));
    baseline.push_back(timeAction(w, watch, [&] { list->setCurrentRow(0); }));
    const QString factor = r % 2 ? QStringLiteral("1") : QStringLiteral("0.9");
    change.push_back(timeAction(w, watch, [&] { red->setText(factor); }));
  }
  if (argc > 4)
    w.screen()->grabWindow(0).save(QString::fromLocal8Bit(argv[4]));
  report("select a baseline 24-MP JPEG", baseline, 150);
  report("select a progressive 24-MP JPEG", progressive, 400);
  report("settings change, same picture", change, 60);
  return 0;
}
