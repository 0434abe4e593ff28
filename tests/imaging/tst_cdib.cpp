#include "imaging/cdib.h"
#include "imaging/effects.h"

#include <QRandomGenerator>
#include <QtTest>

#include <functional>

using kuvo::CDIB;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes bytesOf(CDIB &dib) {
  std::span<std::uint8_t> v;
  dib.MapArray(v);
  Bytes out(v.begin(), v.end());
  dib.UnMapArray(v);
  return out;
}

void setBytes(CDIB &dib, const Bytes &b) {
  std::span<std::uint8_t> v;
  dib.MapArray(v);
  std::copy(b.begin(), b.end(), v.begin());
  dib.UnMapArray(v);
}

int clampRef(int x) { return x < 0 ? 0 : x > 255 ? 255 : x; }

// The byte effects written out literally, one index at a time, as reference.
void refShift(Bytes &v, int red, int green, int blue) {
  const long n = long(v.size());
  for (long i = 0; i <= n - 3; ++i) {
    v[i] = std::uint8_t(clampRef(v[i] + blue));
    v[i + 1] = std::uint8_t(clampRef(v[i + 1] + green));
    v[i + 2] = std::uint8_t(clampRef(v[i + 2] + red));
  }
}
void refBlur(Bytes &v, long s) {
  const Bytes o = v;
  const long n = long(v.size());
  for (long i = s + 3; i <= n - 1 - s - 5; i += 3)
    for (long k = i; k < i + 3; ++k)
      v[k] = std::uint8_t((o[k - s] + o[k - 3] + o[k + 3] + o[k + s] + 2 * o[k]) / 6);
}
void refSharpen(Bytes &v, long s) {
  const long n = long(v.size());
  for (long i = 0; i <= n - 1 - s - 5; i += 3)
    for (long k = i; k < i + 3; ++k)
      v[k] = std::uint8_t(clampRef(2 * v[k] - v[k + s + 3]));
}
void refEmboss(Bytes &v, long s, int factor, bool extended, bool grey) {
  const long n = long(v.size()), d = extended ? s + 3 : 3;
  for (long i = 0; i <= n - 3 - d; i += 3) {
    int c[3];
    for (long k = i + 2; k >= i; --k)
      c[k - i] = clampRef(factor + v[k] - v[k + d]);
    for (long k = i; k < i + 3; ++k)
      v[k] = std::uint8_t(grey ? (c[0] + c[1] + c[2]) / 3 : c[k - i]);
  }
}
void refInvert(Bytes &v) {
  for (long i = 0; i <= long(v.size()) - 3; i += 3)
    for (long k = i; k < i + 3; ++k)
      v[k] ^= 0xFF;
}

CDIB randomSurface(int w, int h, quint32 seed, bool randomPadding) {
  CDIB dib;
  dib.Create(w, h);
  QRandomGenerator rng(seed);
  Bytes b = bytesOf(dib);
  const int stride = dib.Stride();
  for (std::size_t k = 0; k < b.size(); ++k)
    if (randomPadding || int(k % stride) < 3 * w)
      b[k] = std::uint8_t(rng.bounded(256));
  setBytes(dib, b);
  return dib;
}

} // namespace

class TestCdib : public QObject {
  Q_OBJECT

private slots:
  void create_data();
  void create();
  void withoutPixels();
  void qimageRoundTrip();
  void cloneAndView();
  void pixelEffects_data();
  void pixelEffects();
  void byteEffectsMatchTheirLoops_data();
  void byteEffectsMatchTheirLoops();
  void brightnessExamples();
  void scanLines_data();
  void scanLines();
  void blurKeepsOuterRows();
  void embossFlatIsFactor();
  void applyEffectNumbers();
};

void TestCdib::create_data() {
  QTest::addColumn<int>("w");
  QTest::addColumn<int>("h");
  QTest::addColumn<int>("stride");
  QTest::addColumn<int>("size");
  QTest::newRow("5x2 padded") << 5 << 2 << 16 << 32;
  QTest::newRow("4x1 no padding") << 4 << 1 << 12 << 12;
  QTest::newRow("1x1") << 1 << 1 << 4 << 4;
  QTest::newRow("7x3") << 7 << 3 << 24 << 72;
  QTest::newRow("zero width") << 0 << 5 << 0 << 0;
  QTest::newRow("negative height") << 3 << -1 << 0 << 0;
  QTest::newRow("buffer beyond 32 bits") << 100000 << 100000 << 0 << 0;
}

void TestCdib::create() {
  QFETCH(int, w);
  QFETCH(int, h);
  QFETCH(int, stride);
  QFETCH(int, size);
  CDIB dib;
  dib.Create(3, 3); // re-creating releases the old pixels first
  QCOMPARE(dib.Create(w, h), size > 0);
  QCOMPARE(dib.Stride(), stride);
  std::span<std::uint8_t> v;
  QCOMPARE(dib.MapArray(v), stride);
  QCOMPARE(int(v.size()), size);
  QVERIFY(std::all_of(v.begin(), v.end(), [](std::uint8_t b) { return b == 0; }));
  dib.UnMapArray(v);
  QVERIFY(v.empty());
}

void TestCdib::withoutPixels() {
  CDIB dib;
  QImage target(4, 4, QImage::Format_RGB32);
  target.fill(Qt::green);
  const QImage before = target;
  dib.CloneHDC(target, 0, 0);
  dib.PaintTo(target, 0, 0);
  dib.Cls();
  dib.Clone(CDIB(), true);
  for (auto effect : {&CDIB::FastBlur, &CDIB::Sharpen, &CDIB::Flame, &CDIB::PurpleStain, &CDIB::Brown,
                      &CDIB::NightShade, &CDIB::Spooky, &CDIB::Greyscale, &CDIB::InvertColors})
    (dib.*effect)();
  dib.ScanLines(50);
  dib.MakeEmboss(100, true, true);
  dib.Monochrome(128);
  dib.Brightness(20);
  QCOMPARE(target, before);
  QVERIFY(!dib.HasPixels());
  std::span<std::uint8_t> v;
  QCOMPARE(dib.MapArray(v), 0);
  QVERIFY(v.empty());
}

void TestCdib::qimageRoundTrip() {
  QImage img(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      img.setPixel(x, y, qRgb(x * 50, y * 100, 7 + x + y));
  CDIB dib;
  dib.Create(5, 3);
  dib.CloneHDC(img, 0, 0);
  const Bytes b = bytesOf(dib);
  // Bottom-up rows, blue green red, zero padding.
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const std::size_t k = std::size_t((2 - y) * 16 + 3 * x);
      QCOMPARE(b[k], std::uint8_t(qBlue(img.pixel(x, y))));
      QCOMPARE(b[k + 1], std::uint8_t(qGreen(img.pixel(x, y))));
      QCOMPARE(b[k + 2], std::uint8_t(qRed(img.pixel(x, y))));
    }
  for (int r = 0; r < 3; ++r)
    QCOMPARE(b[std::size_t(r * 16 + 15)], std::uint8_t(0));
  QImage back(5, 3, QImage::Format_RGB32);
  back.fill(Qt::black);
  dib.PaintTo(back, 0, 0);
  QCOMPARE(back, img);

  // Offsets clip on both sides.
  CDIB part;
  part.Create(2, 2);
  part.CloneHDC(img, 3, 1); // pixels (3..4, 1..2)
  QImage small(3, 3, QImage::Format_RGB32);
  small.fill(Qt::white);
  part.PaintTo(small, 2, -1); // only column 0 of the surface fits, only its lower row
  QCOMPARE(small.pixel(2, 0), img.pixel(3, 2));
  QCOMPARE(small.pixel(1, 0), qRgb(255, 255, 255));
  QCOMPARE(small.pixel(2, 1), qRgb(255, 255, 255));
}

void TestCdib::cloneAndView() {
  CDIB src = randomSurface(300, 200, 7, false);
  CDIB copy;
  copy.Clone(src, true);
  QCOMPARE(copy.Width(), 300);
  QCOMPARE(copy.Height(), 200);
  QVERIFY(bytesOf(copy) == bytesOf(src));

  // Writes through the view are what PaintTo shows, and stay after unmapping.
  std::span<std::uint8_t> v;
  const int stride = copy.MapArray(v);
  QCOMPARE(stride, 900);
  v[0] = 1; v[1] = 2; v[2] = 3;            // bottom-left pixel
  copy.UnMapArray(v);
  QImage out(300, 200, QImage::Format_RGB32);
  copy.PaintTo(out, 0, 0);
  QCOMPARE(out.pixel(0, 199), qRgb(3, 2, 1));

  // A stretch to twice the size repeats every pixel.
  CDIB big;
  big.Create(600, 400);
  big.Clone(src, false);
  QImage a(300, 200, QImage::Format_RGB32), b(600, 400, QImage::Format_RGB32);
  src.PaintTo(a, 0, 0);
  big.PaintTo(b, 0, 0);
  QCOMPARE(b.pixel(599, 399), a.pixel(299, 199));
  QCOMPARE(b.pixel(2 * 17 + 1, 2 * 33), a.pixel(17, 33));
}

void TestCdib::pixelEffects_data() {
  QTest::addColumn<QString>("effect");
  QTest::addColumn<QList<int>>("in");   // B, G, R
  QTest::addColumn<QList<int>>("out");
  auto row = [](const char *name, const char *effect, QList<int> in, QList<int> out) {
    QTest::newRow(name) << QString(effect) << in << out;
  };
  row("greyscale", "Greyscale", {10, 20, 31}, {20, 20, 20});
  row("monochrome 127 black", "Monochrome", {127, 127, 128}, {0, 0, 0});
  row("monochrome 128 white", "Monochrome", {128, 127, 129}, {255, 255, 255});
  row("flame", "Flame", {30, 60, 90}, {0, 60, 150});
  row("flame clamps red", "Flame", {200, 200, 250}, {0, 200, 255});
  row("flame keeps blue above average", "Flame", {90, 0, 0}, {60, 0, 30});
  row("purple stain", "PurpleStain", {10, 20, 30}, {20, 10, 20});
  row("brown", "Brown", {200, 100, 50}, {18, 60, 78});
  row("brown white", "Brown", {255, 255, 255}, {251, 253, 254});
  row("night shade dark", "NightShade", {1, 2, 10}, {10, 10, 54});
  row("night shade bright", "NightShade", {1, 2, 200}, {72, 72, 136});
  row("night shade 64", "NightShade", {9, 9, 64}, {64, 64, 0});
  row("spooky", "Spooky", {1, 2, 3}, {3, 3, 3});
}

void TestCdib::pixelEffects() {
  QFETCH(QString, effect);
  QFETCH(QList<int>, in);
  QFETCH(QList<int>, out);
  // 5 pixels wide (one padding byte per row), 3 rows; padding marked.
  CDIB dib;
  dib.Create(5, 3);
  Bytes b = bytesOf(dib);
  for (std::size_t k = 0; k < b.size(); ++k)
    b[k] = k % 16 < 15 ? std::uint8_t(in[int(k % 16 % 3)]) : std::uint8_t(0xAB);
  setBytes(dib, b);
  const QMap<QString, std::function<void()>> run{
      {"Greyscale", [&] { dib.Greyscale(); }},     {"Monochrome", [&] { dib.Monochrome(128); }},
      {"Flame", [&] { dib.Flame(); }},             {"PurpleStain", [&] { dib.PurpleStain(); }},
      {"Brown", [&] { dib.Brown(); }},             {"NightShade", [&] { dib.NightShade(); }},
      {"Spooky", [&] { dib.Spooky(); }}};
  run[effect]();
  const Bytes after = bytesOf(dib);
  for (std::size_t k = 0; k < after.size(); ++k) {
    const int want = k % 16 < 15 ? out[int(k % 16 % 3)] : 0xAB;
    QVERIFY2(after[k] == want, qPrintable(QString("byte %1: %2, want %3").arg(k).arg(after[k]).arg(want)));
  }
}

void TestCdib::byteEffectsMatchTheirLoops_data() {
  QTest::addColumn<QString>("effect");
  QTest::addColumn<int>("w");
  QTest::addColumn<int>("h");
  for (const char *e : {"Invert", "Shift", "ShiftMixed", "Blur", "Sharpen", "Emboss", "EmbossExtendedGrey",
                        "EmbossGrey", "EmbossNegative"})
    for (QSize s : {QSize(1, 1), QSize(1, 3), QSize(2, 2), QSize(5, 4), QSize(7, 7), QSize(33, 9), QSize(64, 5)})
      QTest::addRow("%s %dx%d", e, s.width(), s.height()) << QString(e) << s.width() << s.height();
}

void TestCdib::byteEffectsMatchTheirLoops() {
  QFETCH(QString, effect);
  QFETCH(int, w);
  QFETCH(int, h);
  CDIB dib = randomSurface(w, h, quint32(w * 131 + h), true);
  Bytes ref = bytesOf(dib);
  const long s = dib.Stride();
  if (effect == "Invert") { dib.InvertColors(); refInvert(ref); }
  else if (effect == "Shift") { dib.Brightness(40); refShift(ref, 40, 40, 40); }
  else if (effect == "ShiftMixed") { dib.ShiftColors(90, -70, 30); refShift(ref, 90, -70, 30); }
  else if (effect == "Blur") { dib.FastBlur(); refBlur(ref, s); }
  else if (effect == "Sharpen") { dib.Sharpen(); refSharpen(ref, s); }
  else if (effect == "Emboss") { dib.MakeEmboss(100, false, false); refEmboss(ref, s, 100, false, false); }
  else if (effect == "EmbossExtendedGrey") { dib.MakeEmboss(100, true, true); refEmboss(ref, s, 100, true, true); }
  else if (effect == "EmbossGrey") { dib.MakeEmboss(30, false, true); refEmboss(ref, s, 30, false, true); }
  else if (effect == "EmbossNegative") { dib.MakeEmboss(-20, true, false); refEmboss(ref, s, -20, true, false); }
  QVERIFY(bytesOf(dib) == ref);
}

void TestCdib::brightnessExamples() {
  CDIB dib;
  dib.Create(5, 2); // N = 32
  Bytes b(32, 40);
  b[20] = 100;
  setBytes(dib, b);
  dib.Brightness(75);
  Bytes r = bytesOf(dib);
  QCOMPARE(int(r[10]), 255);
  QCOMPARE(int(r[0]), 115);  // first byte: once
  QCOMPARE(int(r[1]), 190);  // second: twice
  QCOMPARE(int(r[30]), 190); // N - 2: twice
  QCOMPARE(int(r[31]), 115); // last: once
  setBytes(dib, Bytes(32, 100));
  dib.Brightness(-10);
  r = bytesOf(dib);
  QCOMPARE(int(r[20]), 70);
  QCOMPARE(int(r[0]), 90);
  QCOMPARE(int(r[30]), 80);
  // Clamping happens at each of the three steps.
  setBytes(dib, Bytes(32, 250));
  dib.ShiftColors(-100, 60, -50); // red, green, blue: 150, 210, 160
  QCOMPARE(int(bytesOf(dib)[16]), 160);
  setBytes(dib, Bytes(32, 250));
  dib.ShiftColors(60, -100, 0); // 255 (clamped), then 155: not 210
  QCOMPARE(int(bytesOf(dib)[16]), 155);
  setBytes(dib, Bytes(32, 7));
  dib.Brightness(2000000000); // far beyond a byte: still just white
  QCOMPARE(int(bytesOf(dib)[5]), 255);
  dib.InvertColors();
  r = bytesOf(dib);
  QCOMPARE(int(r[29]), 0);   // the groups of three end at 30
  QCOMPARE(int(r[30]), 255);
  QCOMPARE(int(r[31]), 255);
}

void TestCdib::scanLines_data() {
  QTest::addColumn<int>("percent");
  QTest::addColumn<int>("height");
  QTest::addColumn<QList<int>>("blackRows"); // memory order, 0 = bottom
  QTest::newRow("50 on 3 rows") << 50 << 3 << QList<int>{0, 2};
  QTest::newRow("50 on 4 rows") << 50 << 4 << QList<int>{0, 2};
  QTest::newRow("0") << 0 << 4 << QList<int>{};
  QTest::newRow("33: step 3") << 33 << 7 << QList<int>{0, 3, 6};
  QTest::newRow("40: 2.5 halves to 2") << 40 << 5 << QList<int>{0, 2, 4};
  QTest::newRow("29: 3.45 to 3") << 29 << 4 << QList<int>{0, 3};
  QTest::newRow("28: 3.57 to 4") << 28 << 5 << QList<int>{0, 4};
  QTest::newRow("8: 12.5 halves to 12") << 8 << 26 << QList<int>{0, 12, 24};
  QTest::newRow("150: step 1") << 150 << 3 << QList<int>{0, 1, 2};
  QTest::newRow("199: step 1") << 199 << 2 << QList<int>{0, 1};
  QTest::newRow("200: 0.5 halves to 0, refused") << 200 << 3 << QList<int>{};
  QTest::newRow("255: refused") << 255 << 3 << QList<int>{};
}

void TestCdib::scanLines() {
  QFETCH(int, percent);
  QFETCH(int, height);
  QFETCH(QList<int>, blackRows);
  CDIB dib;
  dib.Create(3, height); // stride 12
  setBytes(dib, Bytes(std::size_t(12 * height), 0x55));
  dib.ScanLines(std::uint8_t(percent));
  const Bytes b = bytesOf(dib);
  for (int r = 0; r < height; ++r)
    for (int k = 0; k < 12; ++k)
      QCOMPARE(int(b[std::size_t(r * 12 + k)]), blackRows.contains(r) ? 0 : 0x55);
}

void TestCdib::blurKeepsOuterRows() {
  CDIB dib = randomSurface(9, 6, 99, false);
  const Bytes before = bytesOf(dib);
  dib.FastBlur();
  const Bytes after = bytesOf(dib);
  const int s = dib.Stride();
  QVERIFY(std::equal(after.begin(), after.begin() + s, before.begin()));
  QVERIFY(std::equal(after.end() - s, after.end(), before.end() - s));
  QVERIFY(after != before);
}

void TestCdib::embossFlatIsFactor() {
  CDIB dib;
  dib.Create(6, 4);
  setBytes(dib, Bytes(std::size_t(dib.Stride() * 4), 77));
  dib.MakeEmboss(100, false, false);
  const Bytes b = bytesOf(dib);
  const std::size_t processed = (b.size() - 3 - 3) / 3 * 3 + 3;
  for (std::size_t k = 0; k < b.size(); ++k)
    QCOMPARE(int(b[k]), k < processed ? 100 : 77);
}

void TestCdib::applyEffectNumbers() {
  QImage img(7, 5, QImage::Format_RGB32);
  QRandomGenerator rng(5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      img.setPixel(x, y, qRgb(int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256))));
  // Every number runs the same operation as calling the effect directly.
  const QList<std::function<void(CDIB &)>> direct{
      [](CDIB &d) { d.FastBlur(); },     [](CDIB &d) { d.Sharpen(); },
      [](CDIB &d) { d.Flame(); },        [](CDIB &d) { d.PurpleStain(); },
      [](CDIB &d) { d.Brown(); },        [](CDIB &d) { d.NightShade(); },
      [](CDIB &d) { d.Spooky(); },       [](CDIB &d) { d.ScanLines(50); },
      [](CDIB &d) { d.MakeEmboss(100, false, false); },
      [](CDIB &d) { d.Greyscale(); },    [](CDIB &d) { d.Monochrome(128); },
      [](CDIB &d) { d.InvertColors(); }, [](CDIB &d) { d.Brightness(-33); }};
  QCOMPARE(int(direct.size()), kuvo::EffectCount);
  for (int e = 0; e < kuvo::EffectCount; ++e) {
    QImage canvas = img;
    kuvo::applyEffect(canvas, e, -33);
    CDIB d;
    d.Create(7, 5);
    d.CloneHDC(img, 0, 0);
    direct[e](d);
    QImage want(7, 5, QImage::Format_RGB32);
    d.PaintTo(want, 0, 0);
    QVERIFY2(canvas == want, qPrintable(QString("effect %1").arg(e)));
    QVERIFY2(canvas != img, qPrintable(QString("effect %1 changed nothing").arg(e)));
  }
  for (int none : {13, -1, 99}) {
    QImage canvas = img;
    kuvo::applyEffect(canvas, none, 50);
    QCOMPARE(canvas, img);
  }
  // Effect 11 on a known pixel.
  QImage one(1, 1, QImage::Format_RGB32);
  one.setPixel(0, 0, qRgb(10, 20, 30));
  kuvo::applyEffect(one, 11, 0);
  QCOMPARE(one.pixel(0, 0), qRgb(245, 235, 225));
}

QTEST_GUILESS_MAIN(TestCdib)
#include "tst_cdib.moc"
