// Times the Lanczos-3 resampler on one core for the sizes the batch meets:
// a reduced-scale JPEG decode (about twice the target) down to the target.
#include "engine/resample.h"
#include "engine/resample_detail.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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

// CPU time of the process (all threads: Qt's smooth scaling uses several
// for large pictures): the machine is shared, so wall time would count other
// processes' turns.
double cpuMs() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double bestMs(const QImage &src, QSize dst, kuvo::detail::ResamplePath path, int rounds) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const double t0 = cpuMs();
    const QImage out = kuvo::detail::resampleLanczos3Impl(src, QRectF(src.rect()), dst, path);
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

// Stand-in for kuvo-batch's load-and-resize while it is being written: JPEG
// decoded at the DCT scale that leaves at least twice the target width, the
// Lanczos-3 filter to the exact width, JPEG quality 90.
// KUVO_DECODE_MARGIN changes the factor 2 (to compare decode scales).
int emulate(const QString &outDir, int width, const QStringList &files) {
  const double margin =
      qEnvironmentVariableIsSet("KUVO_DECODE_MARGIN") ? qEnvironmentVariable("KUVO_DECODE_MARGIN").toDouble() : 2.0;
  int failures = 0;
  for (const QString &path : files) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QSize full = reader.size();
    if (full.isEmpty()) {
      ++failures;
      continue;
    }
    QSize scaled = full;
    for (int denom : {8, 4, 2}) {
      const QSize s((full.width() + denom - 1) / denom, (full.height() + denom - 1) / denom);
      if (s.width() >= margin * width) {
        scaled = s;
        break;
      }
    }
    if (scaled != full)
      reader.setScaledSize(scaled);
    const QImage img = reader.read().convertToFormat(QImage::Format_RGB32);
    const int height = std::max(1, int(std::lround(double(full.height()) * width / full.width())));
    const QImage out = kuvo::resampleLanczos3(img, QRectF(img.rect()), QSize(width, height));
    QImageWriter writer(outDir + "/" + QFileInfo(path).completeBaseName() + ".jpg", "jpg");
    writer.setQuality(90);
    if (out.isNull() || !writer.write(out))
      ++failures;
  }
  return failures ? 1 : 0;
}

int main(int argc, char **argv) {
  // "kuvo-resample-bench emulate OUTDIR WIDTH FILES...": see emulate().
  if (argc > 4 && std::strcmp(argv[1], "emulate") == 0) {
    QStringList files;
    for (int i = 4; i < argc; ++i)
      files << QString::fromLocal8Bit(argv[i]);
    QImageReader::setAllocationLimit(0);
    return emulate(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), files);
  }
  const std::vector<kuvo::detail::ResamplePath> paths = kuvo::detail::availableResamplePaths();
  // "kuvo-resample-bench profile [PATH]": one path (the fastest unless named)
  // on the main case, for perf and callgrind.
  if (argc > 1 && std::strcmp(argv[1], "profile") == 0) {
    kuvo::detail::ResamplePath path = paths.back();
    for (auto p : paths)
      if (argc > 2 && std::strcmp(argv[2], kuvo::detail::resamplePathName(p)) == 0)
        path = p;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 200;
    const QImage src = testPicture(1600, 1200);
    std::printf("%s: %.2f ms\n", kuvo::detail::resamplePathName(path), bestMs(src, QSize(800, 600), path, rounds));
    return 0;
  }
  struct Case {
    QSize src, dst;
  };
  const Case cases[] = {{{1600, 1200}, {800, 600}}, {{3000, 2000}, {800, 533}}, {{2000, 1500}, {800, 600}},
                        {{6000, 4000}, {800, 533}}, {{800, 600}, {1600, 1200}}, {{1600, 1200}, {800, 1200}},
                        {{1600, 1200}, {1600, 600}}};
  std::printf("median CPU time of one call (the resampler runs on one thread)\n");
  std::printf("%-22s", "size");
  for (auto p : paths)
    std::printf(" %9s ms", kuvo::detail::resamplePathName(p));
  std::printf(" %14s\n", "Qt smooth ms");
  for (const Case &c : cases) {
    const QImage src = testPicture(c.src.width(), c.src.height());
    const int rounds = c.src.width() * c.src.height() > 10'000'000 ? 5 : 21;
    std::printf("%5dx%-5d -> %4dx%-4d", c.src.width(), c.src.height(), c.dst.width(), c.dst.height());
    for (auto p : paths)
      std::printf(" %12.2f", bestMs(src, c.dst, p, rounds));
    std::printf(" %14.2f\n", qtSmoothMs(src, c.dst, rounds));
  }
  return 0;
}
