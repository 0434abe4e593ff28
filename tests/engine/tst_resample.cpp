#include "engine/resample.h"
#include "engine/resample_detail.h"

#include <QRandomGenerator>
#include <QTest>
#include <QtConcurrent/QtConcurrent>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace kuvo;

namespace {

// Straightforward double-precision Lanczos-3 with the same geometry as the
// resampler (pixel centres at i + 0.5, kernel stretched by the scale when
// shrinking, edge pixels repeated), computed as a full 2-D sum without any
// tables so that it shares no code with the fast path.
double lanczos3(double x) {
  x = std::fabs(x);
  if (x < 1e-12)
    return 1;
  if (x >= 3)
    return 0;
  const double px = M_PI * x;
  return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

struct Taps {
  std::vector<int> index;
  std::vector<double> weight;
};

Taps referenceTaps(int srcLen, double start, double extent, int dstLen, int i) {
  const double scale = extent / dstLen;
  const double fs = std::max(1.0, scale);
  const double centre = start + (i + 0.5) * scale;
  Taps t;
  double sum = 0;
  for (int j = int(std::floor(centre - 3 * fs)) - 1; j <= int(std::ceil(centre + 3 * fs)) + 1; ++j) {
    const double w = lanczos3((j + 0.5 - centre) / fs);
    if (w == 0)
      continue;
    t.index.push_back(std::clamp(j, 0, srcLen - 1));
    t.weight.push_back(w);
    sum += w;
  }
  for (double &w : t.weight)
    w /= sum;
  return t;
}

// Per-channel double results (not rounded), index (y * w + x) * 3 + c.
std::vector<double> referenceResample(const QImage &src, const QRectF &r, QSize size) {
  std::vector<double> out(size_t(size.width()) * size.height() * 3, 0.0);
  for (int y = 0; y < size.height(); ++y) {
    const Taps ty = referenceTaps(src.height(), r.y(), r.height(), size.height(), y);
    for (int x = 0; x < size.width(); ++x) {
      const Taps tx = referenceTaps(src.width(), r.x(), r.width(), size.width(), x);
      double acc[3] = {0, 0, 0};
      for (size_t a = 0; a < ty.index.size(); ++a)
        for (size_t b = 0; b < tx.index.size(); ++b) {
          const QRgb p = src.pixel(tx.index[b], ty.index[a]);
          const double w = ty.weight[a] * tx.weight[b];
          acc[0] += w * qRed(p);
          acc[1] += w * qGreen(p);
          acc[2] += w * qBlue(p);
        }
      for (int c = 0; c < 3; ++c)
        out[(size_t(y) * size.width() + x) * 3 + c] = acc[c];
    }
  }
  return out;
}

double psnr(const QImage &img, const std::vector<double> &ref) {
  double se = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = img.pixel(x, y);
      const double *r = &ref[(size_t(y) * img.width() + x) * 3];
      const double v[3] = {double(qRed(p)), double(qGreen(p)), double(qBlue(p))};
      for (int c = 0; c < 3; ++c) {
        const double d = v[c] - std::clamp(r[c], 0.0, 255.0);
        se += d * d;
      }
    }
  const double mse = se / (3.0 * img.width() * img.height());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// A photo-like test picture: smooth shading plus fine detail and noise.
QImage photoLike(int w, int h, quint32 seed) {
  QImage img(w, h, QImage::Format_RGB32);
  QRandomGenerator rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double s = 0.5 + 0.5 * std::sin(x * 0.11) * std::cos(y * 0.07);
      const int r = std::clamp(int(40 + 170 * s + rng.bounded(30)), 0, 255);
      const int g = std::clamp(int(255.0 * x / w + rng.bounded(20)) - 10, 0, 255);
      const int b = ((x / 3 + y / 5) % 2) ? 220 : 30;
      img.setPixel(x, y, qRgb(r, g, b));
    }
  return img;
}

QImage noise(int w, int h, quint32 seed) {
  QImage img(w, h, QImage::Format_RGB32);
  QRandomGenerator rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.setPixel(x, y, 0xFF000000u | (rng.generate() & 0xFFFFFF));
  return img;
}

// Both code paths; on a build without SIMD the second equals the first.
QImage resampleBoth(const QImage &src, const QRectF &r, QSize size, QImage *portable) {
  *portable = detail::resampleLanczos3Impl(src, r, size, detail::ResamplePath::Portable);
  return resampleLanczos3(src, r, size);
}

int maxDiff(const QImage &a, const QImage &b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max(
          {worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
    }
  return worst;
}

} // namespace

class TestResample : public QObject {
  Q_OBJECT
private slots:
  void flatColourStaysFlat_data();
  void flatColourStaysFlat();
  void identityReproducesInput_data();
  void identityReproducesInput();
  void subRectanglePicksRegion_data();
  void subRectanglePicksRegion();
  void gradientStaysGradient_data();
  void gradientStaysGradient();
  void hardEdgeClampsWithoutWrap_data();
  void hardEdgeClampsWithoutWrap();
  void invalidInputGivesNull_data();
  void invalidInputGivesNull();
  void closeToDoubleReference_data();
  void closeToDoubleReference();
  void simdMatchesPortable_data();
  void simdMatchesPortable();
  void otherFormatsAreConverted();
  void concurrentCallsAgree();
};

void TestResample::flatColourStaysFlat_data() {
  QTest::addColumn<QSize>("srcSize");
  QTest::addColumn<QRectF>("rect");
  QTest::addColumn<QSize>("dstSize");
  QTest::newRow("1x1 to 1x1") << QSize(1, 1) << QRectF(0, 0, 1, 1) << QSize(1, 1);
  QTest::newRow("1x1 to 9x7") << QSize(1, 1) << QRectF(0, 0, 1, 1) << QSize(9, 7);
  QTest::newRow("1xN shrink") << QSize(1, 57) << QRectF(0, 0, 1, 57) << QSize(1, 5);
  QTest::newRow("Nx1 enlarge") << QSize(13, 1) << QRectF(0, 0, 13, 1) << QSize(100, 3);
  QTest::newRow("shrink to 1x1") << QSize(120, 90) << QRectF(0, 0, 120, 90) << QSize(1, 1);
  QTest::newRow("shrink odd") << QSize(333, 251) << QRectF(0, 0, 333, 251) << QSize(41, 29);
  QTest::newRow("large factor") << QSize(2000, 30) << QRectF(0, 0, 2000, 30) << QSize(3, 2);
  QTest::newRow("enlarge") << QSize(5, 4) << QRectF(0, 0, 5, 4) << QSize(67, 53);
  QTest::newRow("fractional rect") << QSize(50, 40) << QRectF(3.3, 1.7, 40.25, 30.9) << QSize(17, 23);
  QTest::newRow("rect past edge") << QSize(20, 20) << QRectF(-4.5, 15.2, 30, 9) << QSize(11, 6);
}

void TestResample::flatColourStaysFlat() {
  QFETCH(QSize, srcSize);
  QFETCH(QRectF, rect);
  QFETCH(QSize, dstSize);
  for (QRgb colour : {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(17, 200, 254), qRgb(1, 128, 255)}) {
    QImage src(srcSize, QImage::Format_RGB32);
    src.fill(colour);
    QImage portable;
    const QImage out = resampleBoth(src, rect, dstSize, &portable);
    QCOMPARE(out.size(), dstSize);
    QCOMPARE(out.format(), QImage::Format_RGB32);
    for (const QImage &img : {out, portable})
      for (int y = 0; y < dstSize.height(); ++y)
        for (int x = 0; x < dstSize.width(); ++x)
          QCOMPARE(img.pixel(x, y), colour | 0xFF000000u);
  }
}

void TestResample::identityReproducesInput_data() {
  QTest::addColumn<QRect>("rect");
  QTest::newRow("whole") << QRect(0, 0, 37, 23);
  QTest::newRow("inner") << QRect(5, 3, 20, 10);
  QTest::newRow("corner") << QRect(30, 20, 7, 3);
  QTest::newRow("one pixel") << QRect(12, 7, 1, 1);
}

void TestResample::identityReproducesInput() {
  QFETCH(QRect, rect);
  const QImage src = noise(37, 23, 7);
  QImage portable;
  const QImage out = resampleBoth(src, QRectF(rect), rect.size(), &portable);
  const QImage expected = src.copy(rect);
  QCOMPARE(maxDiff(out, expected), 0);
  QCOMPARE(maxDiff(portable, expected), 0);
}

void TestResample::subRectanglePicksRegion_data() {
  QTest::addColumn<QRectF>("rect");
  QTest::addColumn<uint>("colour");
  // Quadrants of a 200 x 160 picture; each rectangle keeps more than the
  // filter's reach away from the other quadrants.
  QTest::newRow("top left") << QRectF(10, 8, 60, 50) << uint(qRgb(255, 0, 0));
  QTest::newRow("top right") << QRectF(125.5, 10.25, 60, 50) << uint(qRgb(0, 255, 0));
  QTest::newRow("bottom left") << QRectF(0, 100, 80, 60) << uint(qRgb(0, 0, 255));
  QTest::newRow("bottom right") << QRectF(115, 95.5, 5, 4) << uint(qRgb(250, 250, 10));
}

void TestResample::subRectanglePicksRegion() {
  QFETCH(QRectF, rect);
  QFETCH(uint, colour);
  QImage src(200, 160, QImage::Format_RGB32);
  for (int y = 0; y < 160; ++y)
    for (int x = 0; x < 200; ++x)
      src.setPixel(x, y,
                   x < 100 ? (y < 80 ? qRgb(255, 0, 0) : qRgb(0, 0, 255))
                           : (y < 80 ? qRgb(0, 255, 0) : qRgb(250, 250, 10)));
  const QImage out = resampleLanczos3(src, rect, QSize(20, 16));
  QCOMPARE(out.size(), QSize(20, 16));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x)
      QCOMPARE(out.pixel(x, y), QRgb(colour));
}

void TestResample::gradientStaysGradient_data() {
  QTest::addColumn<int>("srcWidth");
  QTest::addColumn<int>("dstWidth");
  QTest::newRow("shrink 4x") << 256 << 64;
  QTest::newRow("shrink 2.7x") << 240 << 89;
  QTest::newRow("enlarge 4x") << 64 << 256;
  QTest::newRow("enlarge 1.3x") << 200 << 260;
}

void TestResample::gradientStaysGradient() {
  QFETCH(int, srcWidth);
  QFETCH(int, dstWidth);
  // Horizontal ramp in red, vertical ramp in blue: both directions checked.
  const int n = srcWidth;
  QImage src(n, n, QImage::Format_RGB32);
  const double step = 250.0 / (n - 1);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      src.setPixel(x, y, qRgb(int(std::lround(2 + x * step)), 100, int(std::lround(2 + y * step))));
  const QImage out = resampleLanczos3(src, QRectF(0, 0, n, n), QSize(dstWidth, dstWidth));
  const double scale = double(n) / dstWidth;
  const int margin = int(std::ceil(3 * std::max(1.0, 1 / scale))) + 1; // beyond the edge's reach
  for (int y = margin; y < dstWidth - margin; ++y)
    for (int x = margin; x < dstWidth - margin; ++x) {
      const QRgb p = out.pixel(x, y);
      const double ex = 2 + ((x + 0.5) * scale - 0.5) * step;
      const double ey = 2 + ((y + 0.5) * scale - 0.5) * step;
      if (std::abs(qRed(p) - ex) > 1.5 || std::abs(qBlue(p) - ey) > 1.5 || qGreen(p) != 100)
        QFAIL(qPrintable(QStringLiteral("pixel %1,%2 = %3,%4,%5; expected %6,100,%7")
                             .arg(x)
                             .arg(y)
                             .arg(qRed(p))
                             .arg(qGreen(p))
                             .arg(qBlue(p))
                             .arg(ex)
                             .arg(ey)));
    }
}

void TestResample::hardEdgeClampsWithoutWrap_data() {
  QTest::addColumn<int>("dstWidth");
  QTest::addColumn<bool>("darkFirst");
  QTest::newRow("enlarge 3.7x, dark left") << 370 << true;
  QTest::newRow("enlarge 3.7x, light left") << 370 << false;
  QTest::newRow("shrink 2.3x") << 43 << true;
  QTest::newRow("identity") << 100 << false;
}

void TestResample::hardEdgeClampsWithoutWrap() {
  QFETCH(int, dstWidth);
  QFETCH(bool, darkFirst);
  // Hard black/white step at x = 50.
  const QRgb dark = qRgb(0, 0, 0), light = qRgb(255, 255, 255);
  QImage src(100, 20, QImage::Format_RGB32);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 100; ++x)
      src.setPixel(x, y, ((x < 50) == darkFirst) ? dark : light);
  QImage portable;
  const QImage out = resampleBoth(src, QRectF(0, 0, 100, 20), QSize(dstWidth, 20), &portable);
  QCOMPARE(maxDiff(out, portable), 0);
  const double scale = 100.0 / dstWidth;
  for (int x = 0; x < dstWidth; ++x) {
    const double sx = (x + 0.5) * scale; // source position of this pixel
    if (std::abs(sx - 50) < 3.5 * std::max(1.0, scale))
      continue; // the transition itself
    const bool expectDark = (sx < 50) == darkFirst;
    const int v = qRed(out.pixel(x, 10));
    // Ringing stays within a few levels and clamps at 0 / 255: a wrapped
    // value would land at the opposite end of the range.
    if (expectDark)
      QVERIFY2(v <= 40, qPrintable(QString("x %1: %2").arg(x).arg(v)));
    else
      QVERIFY2(v >= 215, qPrintable(QString("x %1: %2").arg(x).arg(v)));
  }
  // Right at the step, overshoot beside the edge must show as 0 and 255 exactly.
  if (dstWidth > 100) {
    int lo = 255, hi = 0;
    for (int x = 0; x < dstWidth; ++x) {
      lo = std::min(lo, qRed(out.pixel(x, 10)));
      hi = std::max(hi, qRed(out.pixel(x, 10)));
    }
    QCOMPARE(lo, 0);
    QCOMPARE(hi, 255);
  }
}

void TestResample::invalidInputGivesNull_data() {
  QTest::addColumn<QImage>("src");
  QTest::addColumn<QRectF>("rect");
  QTest::addColumn<QSize>("dstSize");
  QImage ok(10, 10, QImage::Format_RGB32);
  ok.fill(Qt::white);
  QTest::newRow("null image") << QImage() << QRectF(0, 0, 10, 10) << QSize(5, 5);
  QTest::newRow("empty rect") << ok << QRectF(2, 2, 0, 5) << QSize(5, 5);
  QTest::newRow("negative rect") << ok << QRectF(2, 2, -3, 5) << QSize(5, 5);
  QTest::newRow("NaN rect") << ok << QRectF(qQNaN(), 0, 5, 5) << QSize(5, 5);
  QTest::newRow("infinite rect") << ok << QRectF(0, 0, qInf(), 5) << QSize(5, 5);
  QTest::newRow("zero width") << ok << QRectF(0, 0, 10, 10) << QSize(0, 5);
  QTest::newRow("negative height") << ok << QRectF(0, 0, 10, 10) << QSize(5, -1);
  QTest::newRow("invalid size") << ok << QRectF(0, 0, 10, 10) << QSize();
}

void TestResample::invalidInputGivesNull() {
  QFETCH(QImage, src);
  QFETCH(QRectF, rect);
  QFETCH(QSize, dstSize);
  QVERIFY(resampleLanczos3(src, rect, dstSize).isNull());
  QVERIFY(detail::resampleLanczos3Impl(src, rect, dstSize, detail::ResamplePath::Portable).isNull());
}

void TestResample::closeToDoubleReference_data() {
  QTest::addColumn<QRectF>("rect");
  QTest::addColumn<QSize>("dstSize");
  QTest::newRow("4x reduction") << QRectF(0, 0, 160, 120) << QSize(40, 30);
  QTest::newRow("2.5x of fractional crop") << QRectF(10.3, 7.6, 125.5, 95.25) << QSize(50, 38);
  QTest::newRow("odd factor") << QRectF(0, 0, 160, 120) << QSize(61, 47);
  QTest::newRow("enlarge crop") << QRectF(40.5, 30.25, 33, 25) << QSize(80, 60);
}

void TestResample::closeToDoubleReference() {
  QFETCH(QRectF, rect);
  QFETCH(QSize, dstSize);
  const QImage src = photoLike(160, 120, 3);
  const std::vector<double> ref = referenceResample(src, rect, dstSize);
  QImage portable;
  const QImage out = resampleBoth(src, rect, dstSize, &portable);
  const double db = psnr(out, ref);
  qInfo("PSNR against the double-precision reference: %.2f dB", db);
  QVERIFY2(db > 50, qPrintable(QString::number(db)));
  QVERIFY(psnr(portable, ref) > 50);
}

void TestResample::simdMatchesPortable_data() {
  QTest::addColumn<QSize>("srcSize");
  QTest::addColumn<QRectF>("rect");
  QTest::addColumn<QSize>("dstSize");
  QTest::newRow("2x") << QSize(200, 150) << QRectF(0, 0, 200, 150) << QSize(100, 75);
  QTest::newRow("odd widths") << QSize(201, 151) << QRectF(0.5, 0.5, 199.7, 149.1) << QSize(77, 31);
  QTest::newRow("enlarge") << QSize(31, 17) << QRectF(0, 0, 31, 17) << QSize(93, 55);
  QTest::newRow("single column") << QSize(1, 40) << QRectF(0, 0, 1, 40) << QSize(3, 9);
  QTest::newRow("big shrink") << QSize(900, 40) << QRectF(0, 0, 900, 40) << QSize(7, 3);
  QTest::newRow("odd width, 3 columns") << QSize(13, 11) << QRectF(0, 0, 13, 11) << QSize(3, 5);
  QTest::newRow("photo shrink") << QSize(1501, 37) << QRectF(0.25, 0, 1500.5, 37) << QSize(401, 9);
}

void TestResample::simdMatchesPortable() {
  const std::vector<detail::ResamplePath> paths = detail::availableResamplePaths();
  if (paths.size() < 2)
    QSKIP("this build has no SIMD path");
  QFETCH(QSize, srcSize);
  QFETCH(QRectF, rect);
  QFETCH(QSize, dstSize);
  // Noise has the hardest edges, so the most overshoot and clamping.
  const QImage src = noise(srcSize.width(), srcSize.height(), 11);
  const QImage portable = detail::resampleLanczos3Impl(src, rect, dstSize, detail::ResamplePath::Portable);
  QCOMPARE(portable.size(), dstSize);
  for (detail::ResamplePath path : paths) {
    const QImage out = detail::resampleLanczos3Impl(src, rect, dstSize, path);
    QCOMPARE(out.size(), dstSize);
    for (int y = 0; y < dstSize.height(); ++y)
      QVERIFY2(std::equal(out.constScanLine(y), out.constScanLine(y) + 4 * dstSize.width(), portable.constScanLine(y)),
               detail::resamplePathName(path));
  }
}

void TestResample::otherFormatsAreConverted() {
  const QImage src = photoLike(90, 70, 5);
  const QImage expected = resampleLanczos3(src, QRectF(0, 0, 90, 70), QSize(40, 31));
  for (QImage::Format f : {QImage::Format_RGB888, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB16}) {
    const QImage other = src.convertToFormat(f);
    const QImage back = other.convertToFormat(QImage::Format_RGB32);
    const QImage out = resampleLanczos3(other, QRectF(0, 0, 90, 70), QSize(40, 31));
    QCOMPARE(out.format(), QImage::Format_RGB32);
    QCOMPARE(maxDiff(out, resampleLanczos3(back, QRectF(0, 0, 90, 70), QSize(40, 31))), 0);
    if (f != QImage::Format_RGB16)
      QCOMPARE(maxDiff(out, expected), 0);
    for (int y = 0; y < out.height(); ++y)
      for (int x = 0; x < out.width(); ++x)
        QCOMPARE(qAlpha(out.pixel(x, y)), 255);
  }
}

void TestResample::concurrentCallsAgree() {
  const QImage src = photoLike(640, 480, 9);
  const QImage expected = resampleLanczos3(src, QRectF(0.5, 0, 639, 480), QSize(213, 160));
  QList<int> jobs(16);
  const QList<QImage> results = QtConcurrent::blockingMapped(
      jobs, [&](int) { return resampleLanczos3(src, QRectF(0.5, 0, 639, 480), QSize(213, 160)); });
  for (const QImage &r : results)
    QVERIFY(r == expected);
}

QTEST_GUILESS_MAIN(TestResample)
#include "tst_resample.moc"
