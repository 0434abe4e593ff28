// Times every effect, the surface round trip and the rotations on a
// 12-megapixel (4000 x 3000) canvas. Prints the best of a few runs in ms.
#include "imaging/cdib.h"
#include "imaging/effects.h"
#include "imaging/rotation.h"

#include <QImage>
#include <QRandomGenerator>

#include <chrono>
#include <cstdio>
#include <functional>

using namespace kuvo;

namespace {

double bestMs(int runs, const std::function<void()> &prepare, const std::function<void()> &work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const auto t0 = std::chrono::steady_clock::now();
    work();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  return best;
}

} // namespace

int main(int argc, char **argv) {
  const int w = 4000, h = 3000, runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  QImage source(w, h, QImage::Format_RGB32);
  QRandomGenerator rng(12);
  for (int y = 0; y < h; ++y) {
    auto *line = reinterpret_cast<quint32 *>(source.scanLine(y));
    for (int x = 0; x < w; ++x)
      line[x] = 0xFF000000u | (rng.generate() & 0xFFFFFFu);
  }

  const char *names[] = {"FastBlur",   "Sharpen",   "Flame",     "PurpleStain",     "Brown",
                         "NightShade", "Spooky",    "ScanLines(50)", "MakeEmboss(100)", "Greyscale",
                         "Monochrome(128)", "InvertColors", "Brightness(40)"};
  std::printf("%d x %d canvas, best of %d runs, ms\n", w, h, runs);
  std::printf("%-18s %10s %12s\n", "effect", "on CDIB", "applyEffect");

  CDIB surface;
  surface.Create(w, h);
  surface.CloneHDC(source, 0, 0);
  CDIB work;
  QImage canvas;
  for (int e = 0; e < EffectCount; ++e) {
    const double bare = bestMs(
        runs, [&] { work.Clone(surface, true); },
        [&] { runEffect(work, e, 40); });
    const double full = bestMs(runs, [&] { canvas = source.copy(); }, [&] { applyEffect(canvas, e, 40); });
    std::printf("%2d %-15s %10.1f %12.1f\n", e, names[e], bare, full);
  }
  const double none = bestMs(runs, [&] { canvas = source.copy(); }, [&] { applyEffect(canvas, 13, 0); });
  const double roundTrip = bestMs(
      runs, [&] { canvas = source.copy(); },
      [&] {
        CDIB d;
        d.Create(w, h);
        d.CloneHDC(canvas, 0, 0);
        d.PaintTo(canvas, 0, 0);
      });
  std::printf("13 (none)          %10s %12.1f\n", "-", none);
  std::printf("Create+CloneHDC+PaintTo       %12.1f\n", roundTrip);

  const char *modes[] = {"", "", "", "+90", "-90", "180", "rows reversed", "columns reversed"};
  for (int m = 3; m <= 7; ++m) {
    QImage out;
    const double t = bestMs(runs, [] {}, [&] { out = RotateImage(source, m, 0); });
    std::printf("RotateImage %d %-16s %8.1f\n", m, modes[m], t);
  }
  return 0;
}
