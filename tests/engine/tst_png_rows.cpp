// The photo PNG row reader against Qt's reader, on PNGs written here with
// every filter type, and on damaged ones.
#include "engine/png_rows.h"
#include "engine/png_unfilter.h"

#include <QImage>
#include <QRandomGenerator>
#include <QtTest>
#include <zlib.h>

#include <cstdlib>
#include <vector>

using namespace kuvo;

namespace {

void put32(QByteArray &out, quint32 v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.append(char((v >> shift) & 0xFF));
}

void chunk(QByteArray &png, const char *type, const QByteArray &data) {
  put32(png, quint32(data.size()));
  const QByteArray typed = QByteArray(type, 4) + data;
  png += typed;
  put32(png, quint32(crc32(0, reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size()))));
}

int paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

struct Damage {
  bool badChecksum = false; // the stream's Adler-32 changed, the CRCs made to fit
  bool badCrc = false;   // a byte flipped in the first IDAT, its CRC left
  int filterOverride = -1;
};

// A width x height PNG (channels 3: RGB, 1: grey) whose row y is filtered
// with filterOf(y), the stream cut into IDAT chunks of idatSize bytes.
QByteArray makePng(int width, int height, int channels, const std::function<int(int)> &filterOf, int idatSize,
                   const Damage &damage = {}) {
  const int bytes = width * channels;
  std::vector<unsigned char> prior(size_t(bytes), 0);
  std::vector<unsigned char> row(size_t(bytes), 0);
  QByteArray raw;
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < bytes; ++i) // smooth with some noise, so every predictor gets used
      row[size_t(i)] = static_cast<unsigned char>((i * 3 + y * 5 + ((i * 7919 + y * 104729) % 23)) & 0xFF);
    const int filter = filterOf(y);
    raw.append(char(damage.filterOverride >= 0 && y == height / 2 ? damage.filterOverride : filter));
    for (int i = 0; i < bytes; ++i) {
      const int a = i >= channels ? row[size_t(i - channels)] : 0, b = prior[size_t(i)];
      const int c = i >= channels ? prior[size_t(i - channels)] : 0;
      const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? paeth(a, b, c) : 0;
      raw.append(char((row[size_t(i)] - predicted) & 0xFF));
    }
    prior = row;
  }
  uLongf size = compressBound(uLong(raw.size()));
  QByteArray stream(qsizetype(size), 0);
  compress2(reinterpret_cast<Bytef *>(stream.data()), &size, reinterpret_cast<const Bytef *>(raw.constData()),
            uLong(raw.size()), 6);
  stream.resize(qsizetype(size));
  if (damage.badChecksum)
    stream[stream.size() - 1] = char(stream[stream.size() - 1] ^ 0x10);

  QByteArray png("\x89PNG\r\n\x1A\n", 8), header;
  put32(header, quint32(width));
  put32(header, quint32(height));
  header.append(char(8)).append(char(channels == 3 ? 2 : 0)).append(3, char(0));
  chunk(png, "IHDR", header);
  chunk(png, "tEXt", QByteArray("Comment\0x", 9));
  for (qsizetype at = 0; at < stream.size(); at += idatSize) {
    chunk(png, "IDAT", stream.mid(at, idatSize));
    if (damage.badCrc && at == 0)
      png[png.size() - 5] = char(png[png.size() - 5] ^ 0x01); // the chunk's last data byte
  }
  chunk(png, "IEND", {});
  return png;
}

bool readsAll(PngRowReader &reader) {
  for (int y = 0; y < reader.size().height(); ++y)
    if (!reader.row(y))
      return false;
  return true;
}

} // namespace

class TestPngRows : public QObject {
  Q_OBJECT
private slots:
  void rowsAsQtReadsThem_data();
  void rowsAsQtReadsThem();
  void fastUnfilterAsPortable_data();
  void fastUnfilterAsPortable();
  void damageFailsInsteadOfReachingThePicture_data();
  void damageFailsInsteadOfReachingThePicture();
};

void TestPngRows::rowsAsQtReadsThem_data() {
  QTest::addColumn<int>("channels");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("filter"); // -1: the row number mod 5
  QTest::addColumn<int>("idatSize");
  for (int channels : {3, 1})
    for (int filter = -1; filter <= 4; ++filter)
      QTest::addRow("%s filter %d", channels == 3 ? "rgb" : "grey", filter) << channels << 37 << filter << 8192;
  QTest::newRow("one pixel wide") << 3 << 1 << -1 << 8192;
  QTest::newRow("tiny chunks") << 3 << 53 << -1 << 7;
  QTest::newRow("grey tiny chunks") << 1 << 2 << -1 << 1;
}

void TestPngRows::rowsAsQtReadsThem() {
  QFETCH(int, channels);
  QFETCH(int, width);
  QFETCH(int, filter);
  QFETCH(int, idatSize);
  const int height = 23;
  const QByteArray png = makePng(width, height, channels, [filter](int y) { return filter < 0 ? y % 5 : filter; }, idatSize);
  const QImage expected = QImage::fromData(png).convertToFormat(QImage::Format_RGB32);
  QCOMPARE(expected.size(), QSize(width, height));
  const auto reader = PngRowReader::open(png);
  QVERIFY(reader);
  QCOMPARE(reader->size(), expected.size());
  for (int y = 0; y < height; ++y) {
    const unsigned char *row = reader->row(y);
    QVERIFY2(row, qPrintable(QStringLiteral("row %1").arg(y)));
    QVERIFY2(std::memcmp(row, expected.constScanLine(y), size_t(width) * 4) == 0,
             qPrintable(QStringLiteral("row %1").arg(y)));
  }
}

void TestPngRows::fastUnfilterAsPortable_data() {
  QTest::addColumn<int>("filter");
  QTest::addColumn<int>("bpp");
  for (int bpp : {3, 1})
    for (int filter = 0; filter <= 4; ++filter)
      QTest::addRow("filter %d, %d bytes a pixel", filter, bpp) << filter << bpp;
}

void TestPngRows::fastUnfilterAsPortable() {
  QFETCH(int, filter);
  QFETCH(int, bpp);
  const size_t length = 3 * 341; // neither a multiple of 16 nor small
  QRandomGenerator random(filter * 10 + bpp);
  std::vector<unsigned char> prior(length + 1), fast(length + 1);
  for (size_t i = 0; i < length; ++i) {
    prior[i] = static_cast<unsigned char>(random.bounded(256));
    fast[i] = static_cast<unsigned char>(random.bounded(256));
  }
  std::vector<unsigned char> portable = fast;
  QVERIFY(unfilterPngRow(filter, fast.data(), prior.data(), length, bpp));
  QVERIFY(unfilterPngRowPortable(filter, portable.data(), prior.data(), length, bpp));
  QVERIFY(fast == portable);
  QVERIFY(!unfilterPngRow(5, fast.data(), prior.data(), length, bpp));
}

void TestPngRows::damageFailsInsteadOfReachingThePicture_data() {
  QTest::addColumn<QByteArray>("png");
  QTest::addColumn<bool>("opens");
  const auto mixed = [](int y) { return y % 5; };
  Damage flipped;
  flipped.badCrc = true;
  QTest::newRow("image data changed, CRC left") << makePng(40, 30, 3, mixed, 100, flipped) << true;
  Damage checksum;
  checksum.badChecksum = true;
  QTest::newRow("stream checksum wrong") << makePng(40, 30, 3, mixed, 100, checksum) << true;
  Damage filter;
  filter.filterOverride = 5;
  QTest::newRow("unknown filter type") << makePng(40, 30, 3, mixed, 100, filter) << true;
  const QByteArray good = makePng(40, 30, 3, mixed, 100);
  QTest::newRow("cut inside the image data") << good.left(good.size() * 2 / 3) << true;
  QByteArray header = good;
  header[20] = char(header[20] ^ 0x01); // the width, under the IHDR's CRC
  QTest::newRow("header CRC wrong") << header << false;
}

void TestPngRows::damageFailsInsteadOfReachingThePicture() {
  QFETCH(QByteArray, png);
  QFETCH(bool, opens);
  const auto reader = PngRowReader::open(png);
  QCOMPARE(bool(reader), opens);
  if (reader)
    QVERIFY(!readsAll(*reader));
}

QTEST_GUILESS_MAIN(TestPngRows)
#include "tst_png_rows.moc"
