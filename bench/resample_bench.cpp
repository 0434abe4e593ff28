// Times the Lanczos-3 resampler on one core for the sizes the batch meets:
// a reduced-scale JPEG decode (about twice the target) down to the target.
#include "engine/resample.h"
#include "engine/resample_detail.h"

#include <QImage>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

QImage testPicture(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  QRandomGenerator rng(1);
  for (int y = 0; y < h; ++y) {
    auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
    for (int x = 0; x < w; ++x)
      line[x] = qRgb((x * 255) / w, (y * 255) / h, int(rng.bounded(256)));
  }
  return img;
}

// CPU time of this thread: the machine is shared, so wall time would count
// other processes' turns. (Qt's smooth scaling may use worker threads for
// large pictures; its column is then an underestimate.)
double cpuMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double bestMs(const QImage &src, QSize dst, bool simd, int rounds) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const double t0 = cpuMs();
    const QImage out = kuvo::detail::resampleLanczos3Impl(src, QRectF(src.rect()), dst, simd);
    times.push_back(cpuMs() - t0);
    if (out.size() != dst)
      std::fprintf(stderr, "wrong size\n");
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2]; // median
}

double qtSmoothMs(const QImage &src, QSize dst, int rounds) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const double t0 = cpuMs();
    const QImage out = src.scaled(dst, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    times.push_back(cpuMs() - t0);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
  // "kuvo-resample-bench profile": only the SIMD path on the main case, for perf.
  if (argc > 1 && std::strcmp(argv[1], "profile") == 0) {
    const QImage src = testPicture(1600, 1200);
    std::printf("%.2f ms\n", bestMs(src, QSize(800, 600), true, 200));
    return 0;
  }
  struct Case {
    QSize src, dst;
  };
  const Case cases[] = {{{1600, 1200}, {800, 600}},
                        {{3000, 2000}, {800, 533}},
                        {{2000, 1500}, {800, 600}},
                        {{6000, 4000}, {800, 533}},
                        {{800, 600}, {1600, 1200}},
                        {{1600, 1200}, {800, 1200}},
                        {{1600, 1200}, {1600, 600}}};
  std::printf("median CPU time of one call on one thread\n");
  std::printf("%-22s %10s %10s %14s\n", "size", "SIMD ms", "portable ms", "Qt smooth ms");
  for (const Case &c : cases) {
    const QImage src = testPicture(c.src.width(), c.src.height());
    const int rounds = c.src.width() * c.src.height() > 10'000'000 ? 5 : 21;
    std::printf("%5dx%-5d -> %4dx%-4d %9.2f %10.2f %13.2f\n", c.src.width(), c.src.height(), c.dst.width(),
                c.dst.height(), bestMs(src, c.dst, true, rounds), bestMs(src, c.dst, false, rounds),
                qtSmoothMs(src, c.dst, rounds));
  }
  return 0;
}
