// The preview in the real window: time from clicking a list entry (or
// typing a setting) to the first paint of the new preview on screen, split into the
// pipeline's part (selection to finished picture) and the window's part
// (finished picture to painted). Run under a display server; bench/window_bench.sh
// starts Xvfb for it.
//
//   kuvo-window-bench BASELINE.jpg PROGRESSIVE.jpg [ROUNDS [SCREENSHOT.png]]
#include "app/main_window.h"
#include "app/preview_panel.h"
#include "app/web_links.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTest>
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
// then the first paint of the preview label after it, then a round trip to
// the display server, so the painted pixels have reached the screen.
struct Timing {
  double computed = -1, painted = -1; // ms after the action; -1: never happened
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

Timing timeAction(kuvo::MainWindow &w, QWidget *label, PaintWatch &watch, const std::function<void()> &action) {
  Timing t;
  QElapsedTimer timer;
  bool shown = false;
  const auto conn = QObject::connect(w.preview(), &kuvo::PreviewPanel::previewShown, [&] {
    shown = true;
    t.computed = timer.nsecsElapsed() / 1e6;
    watch.armed = true;
  });
  // Wakes the loop below, which otherwise returns only after events.
  QTimer wake;
  wake.start(5);
  watch.armed = false;
  watch.painted = false;
  const double cpu0 = processCpuMs();
  timer.start();
  action();
  // One pass of the event loop at a time: the pass that painted the label
  // also flushed the window to the display server.
  while (!(shown && watch.painted) && timer.elapsed() < 20000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (watch.painted) {
    // Reading a pixel back waits until the server has drawn what it was sent.
    const QPoint at = label->mapTo(label->window(), label->rect().center());
    label->screen()->grabWindow(label->window()->winId(), at.x(), at.y(), 1, 1);
    t.painted = timer.nsecsElapsed() / 1e6;
    t.cpu = processCpuMs() - cpu0;
  }
  QObject::disconnect(conn);
  return t;
}

// Lets the window finish what the last action started (thumbnails, the
// neighbours' arrows), so one round does not eat into the next.
void settle(kuvo::MainWindow &w, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (w.preview()->busy() && timer.elapsed() < 20000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  timer.restart();
  while (timer.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The user's ways in: a click on the list entry, and typing into a box.
void clickEntry(QListWidget *list, int row) {
  QListWidgetItem *item = list->item(row);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void typeInto(QLineEdit *box, const QString &text) {
  box->setFocus();
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(box, text);
}

double median(std::vector<double> v) {
  if (v.empty())
    return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A round whose preview never reached the screen is counted as missing, not
// as a time: mixed into the median it would pull the figure down.
void report(const char *what, const std::vector<Timing> &ts, double target) {
  std::vector<double> computed, painted, cpu;
  for (const Timing &t : ts) {
    if (t.painted < 0)
      continue;
    computed.push_back(t.computed);
    painted.push_back(t.painted);
    cpu.push_back(t.cpu);
  }
  const size_t missing = ts.size() - painted.size();
  const double p = median(painted);
  const bool met = p >= 0 && p <= target && missing == 0;
  std::printf("T4 %-32s %7.1f ms to paint, picture ready at %6.1f ms, %6.1f CPU ms (median of %zu); "
              "target <= %3.0f ms  %s",
              what, p, median(computed), median(cpu), painted.size(), target, met ? "met" : "NOT MET");
  if (missing)
    std::printf(" (%zu of %zu rounds never painted)", missing, ts.size());
  std::printf("\n");
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
  // Adding makes the last entry current; each round starts on the first one,
  // so every selection below is a new entry and starts a new preview.
  settle(w, 300);
  timeAction(w, label, watch, [&] { clickEntry(list, 0); });
  settle(w, 500);

  std::vector<Timing> baseline, progressive, change;
  for (int r = 0; r < rounds; ++r) {
    // The progressive entry follows a settings change on the baseline one, so
    // the preview's decoded source is the other picture: it decodes afresh.
    progressive.push_back(timeAction(w, label, watch, [&] { clickEntry(list, 1); }));
    settle(w, 300);
    baseline.push_back(timeAction(w, label, watch, [&] { clickEntry(list, 0); }));
    settle(w, 300);
    const QString factor = r % 2 ? QStringLiteral("1") : QStringLiteral("0");
    change.push_back(timeAction(w, label, watch, [&] { typeInto(red, factor); }));
    settle(w, 300);
  }
  if (argc > 4)
    w.screen()->grabWindow(0).save(QString::fromLocal8Bit(argv[4]));
  report("select a baseline 24-MP JPEG", baseline, 150);
  report("select a progressive 24-MP JPEG", progressive, 400);
  report("settings change, same picture", change, 60);
  return 0;
}
