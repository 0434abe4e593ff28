// Quality meter of the batch benchmark. For every source picture it makes a
// reference with a double-precision Lanczos-3 filter from the full decode,
// at the size of each tool's output, and prints the mean luma PSNR of every
// tool's outputs against it.
//
//   kuvo-psnr SOURCE_FILES_LIST NAME=OUTDIR [NAME=OUTDIR...]
//   kuvo-psnr --scales SOURCE_FILES_LIST [WIDTH]
//
// SOURCE_FILES_LIST is a text file with one source path a line; a tool's
// output for /x/abc.jpg is OUTDIR/abc.* (any extension).
//
// --scales weighs the decode scale of kuvo-batch's JPEG path: for each
// margin (decoded size over target size) the eighth scale it leads to, the
// mean PSNR of decode + Lanczos-3 at that scale and the CPU time it took.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QMutex>
#include <QTextStream>
#include <QtConcurrent/QtConcurrent>

#include "engine/decoder.h"
#include "engine/load_and_resize.h"
#include "engine/resample.h"

#include <ctime>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

double lanczos3(double x) {
  x = std::fabs(x);
  if (x < 1e-12)
    return 1;
  if (x >= 3)
    return 0;
  const double px = M_PI * x;
  return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

struct Tap {
  int index;
  double weight;
};

// Taps of every output pixel: centres at i + 0.5, kernel stretched by the
// scale when shrinking, edge pixels repeated, weights summing to one.
std::vector<std::vector<Tap>> taps(int srcLen, int dstLen) {
  std::vector<std::vector<Tap>> all(dstLen);
  const double scale = double(srcLen) / dstLen, fs = std::max(1.0, scale);
  for (int i = 0; i < dstLen; ++i) {
    const double c = (i + 0.5) * scale;
    double sum = 0;
    for (int j = int(std::floor(c - 3 * fs)); j <= int(std::ceil(c + 3 * fs)); ++j) {
      const double w = lanczos3((j + 0.5 - c) / fs);
      if (w != 0) {
        all[i].push_back({std::clamp(j, 0, srcLen - 1), w});
        sum += w;
      }
    }
    for (Tap &t : all[i])
      t.weight /= sum;
  }
  return all;
}

// Reference luma (BT.601 weights on the gamma-encoded values, as JPEG does)
// of the full picture resampled to w x h, computed in double precision and
// rounded per channel to 8 bits like any stored result.
std::vector<double> referenceLuma(const QImage &src, int w, int h) {
  const auto tx = taps(src.width(), w), ty = taps(src.height(), h);
  std::vector<double> mid(size_t(src.height()) * w * 3);
  for (int y = 0; y < src.height(); ++y) {
    const QRgb *line = reinterpret_cast<const QRgb *>(src.constScanLine(y));
    double *m = &mid[size_t(y) * w * 3];
    for (int x = 0; x < w; ++x) {
      double r = 0, g = 0, b = 0;
      for (const Tap &t : tx[x]) {
        r += t.weight * qRed(line[t.index]);
        g += t.weight * qGreen(line[t.index]);
        b += t.weight * qBlue(line[t.index]);
      }
      m[3 * x] = r, m[3 * x + 1] = g, m[3 * x + 2] = b;
    }
  }
  std::vector<double> luma(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double c[3] = {0, 0, 0};
      for (const Tap &t : ty[y])
        for (int k = 0; k < 3; ++k)
          c[k] += t.weight * mid[(size_t(t.index) * w + x) * 3 + k];
      for (double &v : c)
        v = std::clamp(std::round(v), 0.0, 255.0);
      luma[size_t(y) * w + x] = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2];
    }
  return luma;
}

double lumaPsnr(const QImage &img, const std::vector<double> &ref) {
  double se = 0;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const double l = 0.299 * qRed(line[x]) + 0.587 * qGreen(line[x]) + 0.114 * qBlue(line[x]);
      const double d = l - ref[size_t(y) * img.width() + x];
      se += d * d;
    }
  }
  const double mse = se / (double(img.width()) * img.height());
  return mse <= 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

QImage load(const QString &path) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  QImage img = reader.read();
  return img.isNull() ? img : img.convertToFormat(QImage::Format_RGB32);
}

struct Tool {
  QString name;
  QDir dir;
};

double threadCpuMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

int weighScales(const QStringList &sources, int width) {
  // The rules weighed: kuvo-batch's (halvings, at least margin times the
  // target) and any eighth scale at least margin times the target.
  struct Rule {
    bool halvings;
    double margin;
  };
  const std::vector<Rule> rules{{true, 1.0}, {true, 1.25}, {true, 1.5}, {true, 2.0}, {false, 1.0}, {false, 1.25}, {false, 1.5}, {false, 2.0}};
  struct Sum {
    double db = 0, ms = 0;
    int count = 0;
  };
  std::vector<Sum> sums(rules.size());
  QMutex mutex;
  QtConcurrent::blockingMap(sources, [&](const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
      return;
    const QByteArray data = file.readAll();
    const QImage full = load(path);
    if (full.isNull())
      return;
    const QSize target(width, std::max(1, int(std::lround(double(full.height()) * width / full.width()))));
    const std::vector<double> ref = referenceLuma(full, target.width(), target.height());
    QMap<int, QPair<double, double>> byScale; // eighths -> (dB, ms)
    for (size_t m = 0; m < rules.size(); ++m) {
      int n = kuvo::chooseDecodeEighths(full.size(), target, rules[m].margin);
      if (!rules[m].halvings) {
        n = 8;
        for (int k = 7; k >= 1; --k)
          if (full.width() * k >= rules[m].margin * 8 * target.width() &&
              full.height() * k >= rules[m].margin * 8 * target.height())
            n = k;
      }
      if (!byScale.contains(n)) {
        std::vector<double> times;
        QImage out;
        for (int round = 0; round < 3; ++round) {
          const double t0 = threadCpuMs();
          const QImage decoded = kuvo::decodePictureEighths(data, n);
          out = kuvo::resampleLanczos3(decoded, QRectF(decoded.rect()), target);
          times.push_back(threadCpuMs() - t0);
        }
        std::sort(times.begin(), times.end());
        byScale.insert(n, {lumaPsnr(out, ref), times[1]});
      }
      QMutexLocker lock(&mutex);
      sums[m].db += byScale[n].first;
      sums[m].ms += byScale[n].second;
      sums[m].count++;
    }
  });
  std::printf("%-28s %10s %14s %8s\n", "decode margin", "mean dB", "CPU ms/picture", "images");
  for (size_t m = 0; m < rules.size(); ++m) {
    const Sum &s = sums[m];
    const QString name =
        QStringLiteral("%1, >= %2x").arg(rules[m].halvings ? "halvings" : "eighths").arg(rules[m].margin);
    std::printf("%-28s %10.3f %14.2f %8d\n", qPrintable(name), s.count ? s.db / s.count : 0.0,
                s.count ? s.ms / s.count : 0.0, s.count);
  }
  return 0;
}

QStringList readList(const QString &path) {
  QStringList sources;
  QFile list(path);
  if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
    return sources;
  QTextStream in(&list);
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (!line.isEmpty())
      sources << line;
  }
  return sources;
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  QImageReader::setAllocationLimit(0); // full decodes of large photographs
  const QStringList args = app.arguments().mid(1);
  if (args.size() >= 2 && args[0] == QLatin1String("--scales"))
    return weighScales(readList(args[1]), args.size() > 2 ? args[2].toInt() : 800);
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: kuvo-psnr SOURCE_FILES_LIST NAME=OUTDIR...\n");
    return 2;
  }
  QFile list(args[0]);
  if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
    std::fprintf(stderr, "cannot read %s\n", qPrintable(args[0]));
    return 2;
  }
  QStringList sources;
  QTextStream in(&list);
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (!line.isEmpty())
      sources << line;
  }
  QList<Tool> tools;
  for (const QString &a : args.mid(1)) {
    const qsizetype eq = a.indexOf('=');
    if (eq <= 0) {
      std::fprintf(stderr, "expected NAME=OUTDIR, got %s\n", qPrintable(a));
      return 2;
    }
    tools.append({a.left(eq), QDir(a.mid(eq + 1))});
  }

  // Per tool: sum of PSNR, count, worst, missing outputs.
  struct Score {
    double sum = 0, worst = 1e9;
    int count = 0, missing = 0;
  };
  QMap<QString, Score> scores;
  QMutex mutex;
  QtConcurrent::blockingMap(sources, [&](const QString &path) {
    const QImage src = load(path);
    if (src.isNull()) {
      QMutexLocker lock(&mutex);
      std::fprintf(stderr, "cannot decode source %s\n", qPrintable(path));
      return;
    }
    QMap<QPair<int, int>, std::vector<double>> refs; // one reference per output size
    const QString stem = QFileInfo(path).completeBaseName();
    for (const Tool &tool : tools) {
      const QStringList found = tool.dir.entryList({stem + ".*"}, QDir::Files);
      const QImage out = found.isEmpty() ? QImage() : load(tool.dir.filePath(found.first()));
      if (out.isNull()) {
        QMutexLocker lock(&mutex);
        scores[tool.name].missing++;
        continue;
      }
      const QPair<int, int> key(out.width(), out.height());
      if (!refs.contains(key))
        refs.insert(key, referenceLuma(src, out.width(), out.height()));
      const double db = lumaPsnr(out, refs[key]);
      QMutexLocker lock(&mutex);
      Score &s = scores[tool.name];
      s.sum += db;
      s.count++;
      s.worst = std::min(s.worst, db);
    }
  });

  std::printf("%-14s %10s %10s %8s %8s\n", "tool", "mean dB", "worst dB", "images", "missing");
  for (const Tool &tool : tools) {
    const Score &s = scores[tool.name];
    if (s.count)
      std::printf("%-14s %10.2f %10.2f %8d %8d\n", qPrintable(tool.name), s.sum / s.count, s.worst, s.count, s.missing);
    else
      std::printf("%-14s %10s %10s %8d %8d\n", qPrintable(tool.name), "-", "-", 0, s.missing);
  }
  return 0;
}
