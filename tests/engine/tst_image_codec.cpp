#include "engine/image_codec.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QColorSpace>
#include <QtTest>

#include <cmath>

#ifdef Q_OS_LINUX
#include <csignal>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace kuvo;

namespace {

// A picture with smooth gradients, flat areas and hard edges, like a photo
// with a watermark on it; odd sizes exercise row padding and partial MCUs.
QImage testPicture(QSize size, QImage::Format format = QImage::Format_RGB32) {
  QImage img(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
    for (int x = 0; x < size.width(); ++x)
      line[x] =
          qRgb(static_cast<int>(128 + 120 * std::cos(x / 23.0 + y / 41.0)), 255 * y / std::max(1, size.height() - 1),
               static_cast<int>(128 + 100 * std::sin(x / 9.0) * std::cos(y / 13.0)));
  }
  QPainter p(&img);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 240, 10));
  p.drawRect(size.width() / 4, size.height() / 4, size.width() / 3, size.height() / 3);
  p.end();
  return img.convertToFormat(format);
}

// A picture of few distinct colours: a 256-colour palette holds it exactly.
QImage fewColours(QSize size) {
  static const QRgb colours[] = {qRgb(0, 0, 0),     qRgb(255, 255, 255), qRgb(255, 0, 0),    qRgb(0, 255, 0),
                                 qRgb(0, 0, 255),   qRgb(12, 34, 56),    qRgb(200, 100, 50), qRgb(90, 90, 90),
                                 qRgb(255, 200, 0), qRgb(1, 2, 3)};
  QImage img(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x)
      img.setPixel(x, y, colours[(x / 3 + y / 5) % 10]);
  return img;
}

QImage decode(const QByteArray &bytes, QByteArray *format = nullptr) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  if (format)
    *format = reader.format();
  return reader.read().convertToFormat(QImage::Format_RGB32);
}

// Peak signal-to-noise ratio over the three colour channels, in dB.
double psnr(const QImage &a, const QImage &b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto *la = reinterpret_cast<const QRgb *>(a.constScanLine(y));
    const auto *lb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const int d[] = {qRed(la[x]) - qRed(lb[x]), qGreen(la[x]) - qGreen(lb[x]), qBlue(la[x]) - qBlue(lb[x])};
      sum += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    }
  }
  const double mse = sum / (3.0 * a.width() * a.height());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Largest per-channel difference between two pictures of the same size.
int maxDifference(const QImage &a, const QImage &b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max(
          {worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
    }
  return worst;
}

quint16 le16(const QByteArray &b, int at) {
  return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 le32(const QByteArray &b, int at) {
  return qFromLittleEndian<quint32>(b.constData() + at);
}

// The tags of a TIFF's first IFD; a tag with several SHORT values (such as
// BitsPerSample) is read through its offset.
struct TiffTags {
  bool valid = false;
  QMap<int, QList<quint32>> values;
};

TiffTags readTiffTags(const QByteArray &b) {
  TiffTags tags;
  if (b.size() < 8)
    return tags;
  const bool little = b.startsWith("II");
  if (!little && !b.startsWith("MM"))
    return tags;
  auto u16 = [&](qint64 at) -> quint32 {
    return little ? qFromLittleEndian<quint16>(b.constData() + at) : qFromBigEndian<quint16>(b.constData() + at);
  };
  auto u32 = [&](qint64 at) -> quint32 {
    return little ? qFromLittleEndian<quint32>(b.constData() + at) : qFromBigEndian<quint32>(b.constData() + at);
  };
  if (u16(2) != 42)
    return tags;
  const qint64 ifd = u32(4);
  if (ifd + 2 > b.size())
    return tags;
  const int count = static_cast<int>(u16(ifd));
  if (ifd + 2 + 12 * count > b.size())
    return tags;
  for (int i = 0; i < count; ++i) {
    const qint64 e = ifd + 2 + 12 * i;
    const int tag = static_cast<int>(u16(e)), type = static_cast<int>(u16(e + 2));
    const quint32 n = u32(e + 4);
    const int unit = type == 3 ? 2 : type == 4 ? 4 : 0;
    QList<quint32> list;
    if (unit && n * unit <= 4) {
      for (quint32 k = 0; k < n; ++k)
        list << (unit == 2 ? u16(e + 8 + 2 * k) : u32(e + 8));
    } else if (unit && u32(e + 8) + n * unit <= quint64(b.size())) {
      for (quint32 k = 0; k < n; ++k)
        list << (unit == 2 ? u16(u32(e + 8) + 2 * k) : u32(u32(e + 8) + 4 * k));
    }
    tags.values.insert(tag, list);
  }
  tags.valid = true;
  return tags;
}

QStringList folderEntries(const QString &path) {
  return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QByteArray readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writePlain(const QString &path, const QByteArray &data) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestImageCodec : public QObject {
  Q_OBJECT

private slots:
  void roundTrip_data();
  void roundTrip();
  void jpegQuality_data();
  void jpegQuality();
  void jpegMatchesQtWriter_data();
  void jpegMatchesQtWriter();
  void gifKeepsFewColoursExactly();
  void gifDoesNotDependOnTheThreads();
  void alphaIsLaidOverWhite_data();
  void alphaIsLaidOverWhite();
  void tiffIsUncompressedThreeSamples_data();
  void tiffIsUncompressedThreeSamples();
  void bmpHeader_data();
  void bmpHeader();
  void jpegCarriesResolution();
  void pngCarriesResolutionProfileAndText();
  void extensions_data();
  void extensions();
  void unencodable_data();
  void unencodable();
  void atomicWriteCreatesAndReplaces();
  void atomicWriteFailure_data();
  void atomicWriteFailure();
  void saveWithEncoder();
};

// Encode, decode with Qt's readers, compare with the input.
void TestImageCodec::roundTrip_data() {
  QTest::addColumn<QString>("ext");
  QTest::addColumn<QSize>("size");
  QTest::addColumn<int>("inputFormat");
  QTest::addColumn<QByteArray>("readerFormat");
  QTest::addColumn<double>("minPsnr"); // 99 means exact

  // Lossy floors sit a little under what Qt's own JPEG writer reaches on the
  // same picture (4:2:0 chroma smears the hard edge of the yellow box, worst
  // on narrow pictures). A swapped or shifted channel falls far below them.
  const struct {
    const char *ext;
    const char *reader;
    double floors[4];
  } formats[] = {{"png", "png", {99, 99, 99, 99}},
                 {"tiff", "tiff", {99, 99, 99, 99}},
                 {"bmp", "bmp", {99, 99, 99, 99}},
                 {"jpg", "jpeg", {0, 26, 38, 16}},
                 {"gif", "gif", {0, 30, 24, 40}}};
  const QSize sizes[] = {{1, 1}, {97, 61}, {800, 600}, {3, 500}};
  const struct {
    const char *name;
    QImage::Format format;
  } inputs[] = {{"rgb32", QImage::Format_RGB32}, {"rgb888", QImage::Format_RGB888}, {"argb32", QImage::Format_ARGB32}};
  for (const auto &f : formats)
    for (int s = 0; s < 4; ++s)
      for (const auto &in : inputs)
        QTest::addRow("%s %dx%d %s", f.ext, sizes[s].width(), sizes[s].height(), in.name)
            << QString::fromLatin1(f.ext) << sizes[s] << int(in.format) << QByteArray(f.reader) << f.floors[s];
}

void TestImageCodec::roundTrip() {
  QFETCH(QString, ext);
  QFETCH(QSize, size);
  QFETCH(int, inputFormat);
  QFETCH(QByteArray, readerFormat);
  QFETCH(double, minPsnr);

  const QImage input = testPicture(size, QImage::Format(inputFormat));
  const auto bytes = ext == "bmp" ? encodeBmp(input) : encodeWithEncoder(input, ext, 90);
  QVERIFY(bytes.has_value());
  QByteArray format;
  const QImage back = decode(*bytes, &format);
  QCOMPARE(format, readerFormat);
  QCOMPARE(back.size(), size);
  const QImage expected = input.convertToFormat(QImage::Format_RGB32);
  if (minPsnr >= 99) {
    QCOMPARE(maxDifference(back, expected), 0);
  } else if (minPsnr > 0) {
    QVERIFY2(psnr(back, expected) >= minPsnr, qPrintable(QString::number(psnr(back, expected))));
  } else {
    // A single pixel: PSNR means little, a wrong channel still shows.
    QVERIFY2(maxDifference(back, expected) < 24, qPrintable(QString::number(maxDifference(back, expected))));
  }
}

void TestImageCodec::jpegQuality_data() {
  QTest::addColumn<QSize>("size");
  QTest::addColumn<bool>("noise");
  QTest::newRow("97x61") << QSize(97, 61) << false;
  QTest::newRow("800x600") << QSize(800, 600) << false;
  // White noise at quality 100 is the largest a JPEG gets.
  QTest::newRow("noise 257x129") << QSize(257, 129) << true;
}

// 0 and 100 are both valid and order the files by size and fidelity; values
// outside 0-100 encode as the nearest end instead of failing.
void TestImageCodec::jpegQuality() {
  QFETCH(QSize, size);
  QFETCH(bool, noise);
  QImage input = testPicture(size);
  if (noise) {
    QRandomGenerator random(7);
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x)
        input.setPixel(x, y, 0xFF000000u | random.bounded(0x1000000u));
  }
  QMap<int, QByteArray> files;
  for (int q : {-20, 0, 50, 100, 150, 255}) {
    const auto bytes = encodeWithEncoder(input, "jpg", q);
    QVERIFY2(bytes.has_value(), qPrintable(QString::number(q)));
    QCOMPARE(decode(*bytes).size(), size);
    files[q] = *bytes;
  }
  QVERIFY(files[0].size() < files[50].size());
  QVERIFY(files[50].size() < files[100].size());
  QCOMPARE(files[-20], files[0]);
  QCOMPARE(files[150], files[100]);
  QCOMPARE(files[255], files[100]);
  if (noise)
    return; // 4:2:0 throws colour noise away at any quality: PSNR says nothing
  const double low = psnr(decode(files[0]), input), high = psnr(decode(files[100]), input);
  QVERIFY2(high > low + 5, qPrintable(QStringLiteral("%1 %2").arg(low).arg(high)));
  QVERIFY2(low >= 15, qPrintable(QString::number(low)));
}

void TestImageCodec::jpegMatchesQtWriter_data() {
  QTest::addColumn<int>("quality");
  for (int q : {0, 1, 30, 75, 99, 100})
    QTest::addRow("q%d", q) << q;
}

// The TurboJPEG path must give what Qt's JPEG writer gives at the same
// quality: same scale, same 4:2:0 layout, nearly the same pixels and size.
void TestImageCodec::jpegMatchesQtWriter() {
  QFETCH(int, quality);
  const QImage input = testPicture(QSize(320, 240));
  const auto ours = encodeWithEncoder(input, "jpg", quality);
  QVERIFY(ours.has_value());
  QByteArray qt;
  {
    QBuffer buffer(&qt);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    QVERIFY(writer.write(input));
  }
  // At the coarsest steps a one-level rounding difference moves a whole
  // block, so the two agree less there (each is ~19 dB from the input).
  const double agreement = psnr(decode(*ours), decode(qt));
  QVERIFY2(agreement >= (quality < 10 ? 32 : 45), qPrintable(QString::number(agreement)));
  QVERIFY2(std::abs(ours->size() - qt.size()) <= qt.size() / 50,
           qPrintable(QStringLiteral("%1 against %2 bytes").arg(ours->size()).arg(qt.size())));
  // Baseline frame header: three components, luma 2x2, both chroma 1x1.
  const int sof = ours->indexOf("\xFF\xC0");
  QVERIFY(sof > 0);
  QCOMPARE(int(quint8(ours->at(sof + 9))), 3);
  QCOMPARE(int(quint8(ours->at(sof + 11))), 0x22);
  QCOMPARE(int(quint8(ours->at(sof + 14))), 0x11);
  QCOMPARE(int(quint8(ours->at(sof + 17))), 0x11);
}

// Up to 256 colours fit the palette exactly, whatever their order.
void TestImageCodec::gifKeepsFewColoursExactly() {
  const QImage input = fewColours(QSize(123, 77));
  const auto bytes = encodeWithEncoder(input, "gif", 100);
  QVERIFY(bytes.has_value());
  QVERIFY(bytes->startsWith("GIF89a"));
  const QImage back = decode(*bytes);
  QCOMPARE(back.size(), input.size());
  QCOMPARE(maxDifference(back, input), 0);
}

// The palette of a photo is the same whatever team of threads the OpenMP
// runtime would give the quantizer (as many as the machine has cores).
void TestImageCodec::gifDoesNotDependOnTheThreads() {
  using SetThreads = void (*)(int);
  const auto setThreads = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"));
  if (!setThreads)
    QSKIP("libimagequant runs without OpenMP here");
  QImage photo(1200, 800, QImage::Format_RGB32);
  QRandomGenerator noise(7);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x)
      photo.setPixel(x, y, qRgb((x / 5 + int(noise.bounded(40))) & 0xFF, (y / 4 + int(noise.bounded(40))) & 0xFF,
                                ((x + y) / 9 + int(noise.bounded(40))) & 0xFF));
  setThreads(1);
  const auto one = encodeWithEncoder(photo, "gif", 100);
  setThreads(4);
  const auto four = encodeWithEncoder(photo, "gif", 100);
  setThreads(1);
  QVERIFY(one.has_value() && four.has_value());
  QVERIFY(*one == *four);
}

void TestImageCodec::alphaIsLaidOverWhite_data() {
  QTest::addColumn<QString>("ext");
  QTest::addColumn<int>("tolerance");
  QTest::addColumn<int>("edgeMargin"); // rows beside the edge left out
  QTest::newRow("png") << "png" << 1 << 0;
  QTest::newRow("tiff") << "tiff" << 1 << 0;
  QTest::newRow("bmp") << "bmp" << 1 << 0;
  // JPEG's chroma upsampling blurs the edge over a few rows.
  QTest::newRow("jpg") << "jpg" << 6 << 4;
  QTest::newRow("gif") << "gif" << 6 << 0;
}

// A transparent picture becomes white, a half-transparent red becomes pink:
// never black, and never a fourth channel in the file.
void TestImageCodec::alphaIsLaidOverWhite() {
  QFETCH(QString, ext);
  QFETCH(int, tolerance);
  QFETCH(int, edgeMargin);
  QImage input(32, 32, QImage::Format_ARGB32);
  input.fill(Qt::transparent);
  for (int y = 16; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      input.setPixel(x, y, qRgba(255, 0, 0, 128));
  const auto bytes = ext == "bmp" ? encodeBmp(input) : encodeWithEncoder(input, ext, 100);
  QVERIFY(bytes.has_value());
  const QImage back = decode(*bytes);
  QCOMPARE(back.size(), input.size());
  QVERIFY(!back.hasAlphaChannel());
  const QImage expected = [] {
    QImage e(32, 32, QImage::Format_RGB32);
    e.fill(qRgb(255, 255, 255));
    for (int y = 16; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        e.setPixel(x, y, qRgb(255, 127, 127));
    return e;
  }();
  for (int y = 0; y < 32; ++y) {
    if (std::abs(y - 16) < edgeMargin)
      continue;
    for (int x = 0; x < 32; ++x) {
      const QRgb got = back.pixel(x, y), want = expected.pixel(x, y);
      const int diff = std::max(
          {std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)), std::abs(qBlue(got) - qBlue(want))});
      QVERIFY2(diff <= tolerance, qPrintable(QStringLiteral("(%1,%2) differs by %3").arg(x).arg(y).arg(diff)));
    }
  }
}

void TestImageCodec::tiffIsUncompressedThreeSamples_data() {
  QTest::addColumn<int>("inputFormat");
  QTest::addColumn<QSize>("size");
  QTest::newRow("rgb32") << int(QImage::Format_RGB32) << QSize(40, 30);
  QTest::newRow("argb32 opaque") << int(QImage::Format_ARGB32) << QSize(40, 30);
  QTest::newRow("argb32 premultiplied") << int(QImage::Format_ARGB32_Premultiplied) << QSize(40, 30);
  QTest::newRow("grayscale8") << int(QImage::Format_Grayscale8) << QSize(40, 30);
  QTest::newRow("indexed8") << int(QImage::Format_Indexed8) << QSize(40, 30);
  QTest::newRow("several strips") << int(QImage::Format_RGB32) << QSize(301, 257);
  QTest::newRow("one row") << int(QImage::Format_RGB32) << QSize(1000, 1);
}

void TestImageCodec::tiffIsUncompressedThreeSamples() {
  QFETCH(int, inputFormat);
  QFETCH(QSize, size);
  const QImage input = testPicture(size, QImage::Format(inputFormat));
  const auto bytes = encodeWithEncoder(input, "tiff", 0);
  QVERIFY(bytes.has_value());
  const TiffTags tags = readTiffTags(*bytes);
  QVERIFY(tags.valid);
  QCOMPARE(tags.values.value(256), QList<quint32>{quint32(size.width())});  // ImageWidth
  QCOMPARE(tags.values.value(257), QList<quint32>{quint32(size.height())}); // ImageLength
  QCOMPARE(tags.values.value(258), (QList<quint32>{8, 8, 8}));              // BitsPerSample
  QCOMPARE(tags.values.value(259), QList<quint32>{1});                      // Compression: none
  QCOMPARE(tags.values.value(262), QList<quint32>{2});                      // Photometric: RGB
  QCOMPARE(tags.values.value(277), QList<quint32>{3});                      // SamplesPerPixel
  QVERIFY(!tags.values.contains(338));                                      // no ExtraSamples
  // Uncompressed: the strips hold exactly width x height x 3 bytes.
  const QList<quint32> offsets = tags.values.value(273), counts = tags.values.value(279);
  QCOMPARE(offsets.size(), counts.size());
  quint64 stripBytes = 0;
  for (int i = 0; i < counts.size(); ++i) {
    QVERIFY(quint64(offsets[i]) + counts[i] <= quint64(bytes->size()));
    stripBytes += counts[i];
  }
  QCOMPARE(stripBytes, quint64(size.width()) * size.height() * 3);
  QCOMPARE(maxDifference(decode(*bytes), input.convertToFormat(QImage::Format_RGB32)), 0);
}

void TestImageCodec::bmpHeader_data() {
  QTest::addColumn<QSize>("size");
  QTest::addColumn<int>("inputFormat");
  QTest::newRow("5x3 rgb32, rows padded by 1") << QSize(5, 3) << int(QImage::Format_RGB32);
  QTest::newRow("4x2 argb32, no padding") << QSize(4, 2) << int(QImage::Format_ARGB32);
  QTest::newRow("6x7 grayscale") << QSize(6, 7) << int(QImage::Format_Grayscale8);
  QTest::newRow("1x1 rgb888") << QSize(1, 1) << int(QImage::Format_RGB888);
}

void TestImageCodec::bmpHeader() {
  QFETCH(QSize, size);
  QFETCH(int, inputFormat);
  QImage input = testPicture(size, QImage::Format(inputFormat));
  const QImage rgb = input.convertToFormat(QImage::Format_RGB32);
  const auto bytes = encodeBmp(input);
  QVERIFY(bytes.has_value());
  const QByteArray &b = *bytes;
  const int stride = (3 * size.width() + 3) & ~3;
  QVERIFY(b.startsWith("BM"));
  QCOMPARE(le32(b, 2), quint32(b.size()));
  QCOMPARE(le32(b, 10), 54u); // pixels follow the headers, no palette
  QCOMPARE(le32(b, 14), 40u); // BITMAPINFOHEADER
  QCOMPARE(qint32(le32(b, 18)), size.width());
  QCOMPARE(qint32(le32(b, 22)), size.height()); // positive: bottom-up
  QCOMPARE(le16(b, 26), quint16(1));
  QCOMPARE(le16(b, 28), quint16(24));
  QCOMPARE(le32(b, 30), 0u); // BI_RGB
  QCOMPARE(b.size(), 54 + stride * size.height());
  // First stored row is the bottom one, in B, G, R order.
  const QRgb bottomLeft = rgb.pixel(0, size.height() - 1);
  QCOMPARE(quint8(b[54]), quint8(qBlue(bottomLeft)));
  QCOMPARE(quint8(b[55]), quint8(qGreen(bottomLeft)));
  QCOMPARE(quint8(b[56]), quint8(qRed(bottomLeft)));
  QCOMPARE(maxDifference(decode(b), rgb), 0);
}

void TestImageCodec::jpegCarriesResolution() {
  QImage input = testPicture(QSize(16, 16));
  input.setDotsPerMeterX(qRound(300 / 0.0254));
  input.setDotsPerMeterY(qRound(150 / 0.0254));
  const auto bytes = encodeWithEncoder(input, "jpg", 80);
  QVERIFY(bytes.has_value());
  QVERIFY(bytes->mid(6, 5) == QByteArray("JFIF", 5));
  QCOMPARE(int(quint8(bytes->at(13))), 1); // dots per inch
  QCOMPARE(qFromBigEndian<quint16>(bytes->constData() + 14), quint16(300));
  QCOMPARE(qFromBigEndian<quint16>(bytes->constData() + 16), quint16(150));
  QCOMPARE(qRound(decode(*bytes).dotsPerMeterX() * 0.0254), 300);
}

// What Qt's PNG writer kept from the picture, the PNG encoder keeps too.
void TestImageCodec::pngCarriesResolutionProfileAndText() {
  QImage input = testPicture(QSize(16, 16));
  input.setDotsPerMeterX(qRound(300 / 0.0254));
  input.setDotsPerMeterY(qRound(150 / 0.0254));
  input.setColorSpace(QColorSpace::DisplayP3);
  input.setText(QStringLiteral("Title"), QStringLiteral("plain latin"));
  input.setText(QStringLiteral("Comment"), QStringLiteral("图片说明"));
  const auto bytes = encodeWithEncoder(input, "png", 0);
  QVERIFY(bytes.has_value());
  const QImage back = decode(*bytes);
  QCOMPARE(qRound(back.dotsPerMeterX() * 0.0254), 300);
  QCOMPARE(qRound(back.dotsPerMeterY() * 0.0254), 150);
  QVERIFY(back.colorSpace() == QColorSpace(QColorSpace::DisplayP3));
  QCOMPARE(back.text(QStringLiteral("Title")), QStringLiteral("plain latin"));
  QCOMPARE(back.text(QStringLiteral("Comment")), QStringLiteral("图片说明"));
}

void TestImageCodec::extensions_data() {
  QTest::addColumn<QString>("ext");
  QTest::addColumn<QByteArray>("readerFormat"); // empty: no encoder
  for (const char *e : {"jpg", "JPG", "Jpg"})
    QTest::newRow(e) << e << QByteArray("jpeg");
  for (const char *e : {"png", "PNG"})
    QTest::newRow(e) << e << QByteArray("png");
  for (const char *e : {"gif", "GIF", "gIf"})
    QTest::newRow(e) << e << QByteArray("gif");
  for (const char *e : {"tiff", "TIFF", "TiFf"})
    QTest::newRow(e) << e << QByteArray("tiff");
  for (const char *e : {"webp", "WebP"})
    QTest::newRow(e) << e << QByteArray("webp");
  for (const char *e : {"jpeg", "JPEG", "tif", "bmp", "BMP", "", ".jpg", "jpg ", "pn", "tiff2"})
    QTest::newRow(qPrintable(QStringLiteral("unknown '%1'").arg(e))) << e << QByteArray();
}

void TestImageCodec::extensions() {
  QFETCH(QString, ext);
  QFETCH(QByteArray, readerFormat);
  const auto bytes = encodeWithEncoder(testPicture(QSize(20, 10)), ext, 75);
  QCOMPARE(bytes.has_value(), !readerFormat.isEmpty());
  if (bytes) {
    QByteArray format;
    QCOMPARE(decode(*bytes, &format).size(), QSize(20, 10));
    QCOMPARE(format, readerFormat);
  }
}

void TestImageCodec::unencodable_data() {
  QTest::addColumn<QImage>("image");
  QTest::addColumn<QString>("ext");
  for (const char *e : {"jpg", "png", "gif", "tiff", "bmp"})
    QTest::addRow("null %s", e) << QImage() << e;
  // GIF and JPEG store sizes in 16 bits.
  QTest::newRow("gif 70000 wide") << QImage(70000, 1, QImage::Format_RGB32) << "gif";
  QTest::newRow("jpg 70000 high") << QImage(1, 70000, QImage::Format_RGB32) << "jpg";
}

void TestImageCodec::unencodable() {
  QFETCH(QImage, image);
  QFETCH(QString, ext);
  if (!image.isNull())
    image.fill(Qt::gray);
  QVERIFY(!(ext == "bmp" ? encodeBmp(image) : encodeWithEncoder(image, ext, 80)).has_value());
}

void TestImageCodec::atomicWriteCreatesAndReplaces() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("输出 picture.jpg"));
  QString error;
  QVERIFY(writeFileAtomically(path, "first version", &error));
  QCOMPARE(readAll(path), QByteArray("first version"));
#ifdef Q_OS_LINUX
  // A new file gets the ordinary permissions, not the 0600 of a temp file.
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st {};
  QCOMPARE(stat(QFile::encodeName(path).constData(), &st), 0);
  QCOMPARE(st.st_mode & 0777, 0666 & ~mask);
#endif
  QVERIFY(writeFileAtomically(path, "2", &error));
  QCOMPARE(readAll(path), QByteArray("2"));
  QVERIFY(writeFileAtomically(path, QByteArray(), &error));
  QCOMPARE(QFileInfo(path).size(), 0);
  QCOMPARE(folderEntries(dir.path()), QStringList{QFileInfo(path).fileName()});
}

void TestImageCodec::atomicWriteFailure_data() {
  QTest::addColumn<QString>("failure");
  QTest::newRow("missing folder") << "missing";
  QTest::newRow("folder is a file") << "parentIsFile";
  QTest::newRow("target is a folder") << "targetIsFolder";
  QTest::newRow("read-only folder") << "readOnly";
#ifdef Q_OS_LINUX
  QTest::newRow("write fails half-way") << "fileSizeLimit";
#endif
}

// Every failure reports false with a reason, leaves what was there before
// untouched and leaves no temporary file behind.
void TestImageCodec::atomicWriteFailure() {
  QFETCH(QString, failure);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QByteArray oldContent = "the good picture";
  const QByteArray newContent(1 << 20, 'x');
  QString target = dir.filePath("out.jpg");
  QString watchedFolder = dir.path();

  if (failure == "missing") {
    target = dir.filePath("no such folder/out.jpg");
  } else if (failure == "parentIsFile") {
    QVERIFY(writePlain(dir.filePath("plain"), oldContent));
    target = dir.filePath("plain/out.jpg");
  } else if (failure == "targetIsFolder") {
    QVERIFY(QDir(dir.path()).mkdir("out.jpg"));
    QVERIFY(writePlain(dir.filePath("out.jpg/inside"), oldContent));
  } else {
    QVERIFY(writePlain(target, oldContent));
  }
  const QStringList before = folderEntries(watchedFolder);

  QString error;
  bool written = false;
  if (failure == "readOnly") {
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    if (writePlain(dir.filePath("probe"), "x")) {
      QFile::remove(dir.filePath("probe"));
      QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      QSKIP("running with rights that ignore folder permissions");
    }
    written = writeFileAtomically(target, newContent, &error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#ifdef Q_OS_LINUX
  } else if (failure == "fileSizeLimit") {
    // The disk "fills up" after 64 KiB: the temporary file is cut short.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    written = writeFileAtomically(target, newContent, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
#endif
  } else {
    written = writeFileAtomically(target, newContent, &error);
  }

  QVERIFY(!written);
  QVERIFY(!error.isEmpty());
  QCOMPARE(folderEntries(watchedFolder), before);
  if (failure == "targetIsFolder")
    QCOMPARE(readAll(dir.filePath("out.jpg/inside")), oldContent);
  else if (failure == "parentIsFile")
    QCOMPARE(readAll(dir.filePath("plain")), oldContent);
  else if (failure != "missing")
    QCOMPARE(readAll(target), oldContent);
  else
    QVERIFY(!QFileInfo::exists(dir.filePath("no such folder")));
}

void TestImageCodec::saveWithEncoder() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QImage input = testPicture(QSize(64, 48));
  // The file keeps the caller's letter case; the encoder is chosen without it.
  const QString path = dir.filePath("photo.GIF");
  QVERIFY(SaveWithEncoder(input, path, "GIF", 100));
  QVERIFY(readAll(path).startsWith("GIF89a"));
  QCOMPARE(decode(readAll(path)).size(), input.size());

  // An extension without encoder fails and leaves the existing file alone.
  const QString jpeg = dir.filePath("photo.jpeg");
  QVERIFY(writePlain(jpeg, "old"));
  QString error;
  QVERIFY(!SaveWithEncoder(input, jpeg, "jpeg", 100, &error));
  QVERIFY(!error.isEmpty());
  QCOMPARE(readAll(jpeg), QByteArray("old"));

  // A write failure is reported with the file system's reason.
  error.clear();
  QVERIFY(!SaveWithEncoder(input, dir.filePath("missing/x.jpg"), "jpg", 100, &error));
  QVERIFY(!error.isEmpty());
  QCOMPARE(folderEntries(dir.path()), (QStringList{"photo.GIF", "photo.jpeg"}));
}

QTEST_GUILESS_MAIN(TestImageCodec)
#include "tst_image_codec.moc"
