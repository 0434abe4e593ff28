// PNGs whose chunks declare more bytes than the file holds are refused before
// libpng allocates the declared length; other PNGs decode as before.
#include "engine/decoder.h"

#include <QtEndian>
#include <QtTest>

namespace {

quint32 crc32(const QByteArray &bytes) {
  quint32 crc = 0xffffffffu;
  for (const char c : bytes) {
    crc ^= quint8(c);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

QByteArray chunk(const char *type, const QByteArray &data, quint32 declaredLength) {
  QByteArray out(4, '\0');
  qToBigEndian(declaredLength, out.data());
  const QByteArray body = QByteArray(type, 4) + data;
  QByteArray crc(4, '\0');
  qToBigEndian(crc32(body), crc.data());
  return out + body + crc;
}
QByteArray chunk(const char *type, const QByteArray &data) {
  return chunk(type, data, quint32(data.size()));
}

// A 4 x 4 RGB PNG; extra goes before the image data, trailer after it.
QByteArray png(const QByteArray &extra, const QByteArray &trailer) {
  QByteArray header(13, '\0');
  qToBigEndian(quint32(4), header.data());
  qToBigEndian(quint32(4), header.data() + 4);
  header[8] = 8; // bit depth
  header[9] = 2; // RGB
  const QByteArray raw = (QByteArray(1, '\0') + QByteArray(12, '\x40')).repeated(4); // filter 0, then pixels
  const QByteArray packed = qCompress(raw).mid(4); // a zlib stream behind Qt's length prefix
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + extra + chunk("IDAT", packed) + trailer;
}

} // namespace

class TestPngChunks : public QObject {
  Q_OBJECT
private slots:
  void decode_data();
  void decode();
};

void TestPngChunks::decode_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<bool>("refused");
  const QByteArray end = chunk("IEND", QByteArray());
  const QByteArray text = chunk("tEXt", QByteArray("Comment\0abc", 11));
  // A 1 GB text chunk that the file does not hold, cut off after its type.
  const QByteArray hugeText = chunk("tEXt", QByteArray("Comment\0abc", 11), 0x3fffffff).left(8);
  QTest::newRow("plain") << png(text, end) << false;
  QTest::newRow("garbage after the end") << png(QByteArray(), end + hugeText) << false;
  QTest::newRow("huge text before the image") << png(hugeText, QByteArray()) << true;
  QTest::newRow("huge text after the image") << png(QByteArray(), hugeText) << true;
}

void TestPngChunks::decode() {
  QFETCH(QByteArray, file);
  QFETCH(bool, refused);
  QString error;
  const QImage image = kuvo::decodePicture(file, 1, &error);
  QCOMPARE(image.isNull(), refused);
  QCOMPARE(kuvo::probePictureSize(file).isValid(), !refused);
  if (refused)
    QVERIFY2(error.contains(QStringLiteral("PNG文件已损坏")), qPrintable(error));
  else
    QCOMPARE(image.size(), QSize(4, 4));
}

QTEST_GUILESS_MAIN(TestPngChunks)
#include "tst_png_chunks.moc"
