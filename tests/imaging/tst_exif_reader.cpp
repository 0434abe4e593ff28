#include "imaging/exif_reader.h"
#include "imaging/exif_tags.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using kuvo::ExifReader;

namespace {

// Writes a TIFF structure in either byte order. Directories are appended
// with their out-of-line data right behind them.
struct Tiff {
  bool intel = true;
  QByteArray buf;

  struct E {
    quint16 tag, type;
    quint32 count;
    QByteArray value; // up to 4 bytes: inline (padded); longer: out of line
    bool forceOffset = false;
    quint32 offset = 0; // used as the value field when forceOffset
  };

  explicit Tiff(bool intelOrder) : intel(intelOrder) {
    buf = intel ? QByteArray("II\x2a\0", 4) : QByteArray("MM\0\x2a", 4);
    buf += u32(8);
  }
  QByteArray u16(quint16 v) const {
    QByteArray b(2, 0);
    b[intel ? 0 : 1] = char(v & 0xFF);
    b[intel ? 1 : 0] = char(v >> 8);
    return b;
  }
  QByteArray u32(quint32 v) const {
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
      b[intel ? i : 3 - i] = char((v >> (8 * i)) & 0xFF);
    return b;
  }
  void put32(int at, quint32 v) { buf.replace(at, 4, u32(v)); }
  void setIfd0(quint32 offset) { put32(4, offset); }
  // Appends a directory; returns its offset.
  int dir(const QList<E> &entries, quint32 next = 0) {
    const int at = int(buf.size());
    int data = at + 2 + 12 * int(entries.size()) + 4;
    QByteArray table = u16(quint16(entries.size())), extra;
    for (const E &e : entries) {
      table += u16(e.tag) + u16(e.type) + u32(e.count);
      if (e.forceOffset) {
        table += u32(e.offset);
      } else if (e.value.size() <= 4) {
        table += e.value + QByteArray(4 - int(e.value.size()), 0);
      } else {
        table += u32(quint32(data - 0));
        extra += e.value;
        data += int(e.value.size());
      }
    }
    buf += table + u32(next) + extra;
    return at;
  }
  void setNext(int dirAt, quint32 next) {
    const int n = intel ? (uchar(buf[dirAt]) | uchar(buf[dirAt + 1]) << 8) : (uchar(buf[dirAt]) << 8 | uchar(buf[dirAt + 1]));
    put32(dirAt + 2 + 12 * n, next);
  }
  E shortE(quint16 tag, quint16 v) const { return {tag, 3, 1, u16(v)}; }
  E longE(quint16 tag, quint32 v) const { return {tag, 4, 1, u32(v)}; }
  E ascii(quint16 tag, const QByteArray &text) const {
    return {tag, 2, quint32(text.size() + 1), text + QByteArray(1, 0)};
  }
};

QByteArray jpeg(const QByteArray &tiff, bool withEnd = true) {
  QByteArray j("\xFF\xD8\xFF\xE1", 4);
  const int len = int(tiff.size()) + 8;
  j += char(len >> 8);
  j += char(len & 0xFF);
  j += QByteArray("Exif\0\0", 6) + tiff;
  if (withEnd)
    j += QByteArray("\xFF\xD9", 2);
  return j;
}

QString text(const ExifReader::Value &v) {
  return QString::fromLatin1(ExifReader::toText(v));
}

ExifReader loaded(const QByteArray &bytes) {
  ExifReader r;
  r.LoadBytes(reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()));
  return r;
}

const QByteArray Date = "2023:05:17 14:32:08";

// IFD0 (Orientation, sub-IFD pointer) -> IFD1 (Orientation 3) and the Exif
// sub-IFD (DateTimeOriginal, then whatever extra holds, then tag 0xA000).
Tiff camera(bool intel, const QList<Tiff::E> &extra = {}) {
  Tiff t(intel);
  const int ifd0 = t.dir({t.shortE(274, 6), t.longE(34665, 0)});
  const int ifd1 = t.dir({t.shortE(274, 3), t.longE(513, 0)});
  t.setNext(ifd0, quint32(ifd1));
  QList<Tiff::E> sub{t.ascii(36867, Date)};
  sub += extra;
  sub += Tiff::E{0xA000, 7, 4, "0100"};
  const int exif = t.dir(sub);
  // patch the sub-IFD pointer (second entry of IFD0, value field)
  t.put32(ifd0 + 2 + 12 + 8, quint32(exif));
  return t;
}

} // namespace

class TestExifReader : public QObject {
  Q_OBJECT

private slots:
  void byteOrders_data();
  void byteOrders();
  void firstMatchWins();
  void walkEnds_data();
  void walkEnds();
  void decoding_data();
  void decoding();
  void notExif_data();
  void notExif();
  void fileLoading();
  void malformedNeverCrashes();
  void exiftoolWritten_data();
  void exiftoolWritten();
  void agreesWithExiftoolOnGatheredJpegs();
};

void TestExifReader::byteOrders_data() {
  QTest::addColumn<bool>("intel");
  QTest::newRow("Intel") << true;
  QTest::newRow("Motorola") << false;
}

void TestExifReader::byteOrders() {
  QFETCH(bool, intel);
  const QByteArray bytes = jpeg(camera(intel).buf);
  ExifReader r = loaded(bytes);
  QVERIFY(r.loaded());
  const ExifReader::Value o = r.Tag(274);
  QVERIFY(std::holds_alternative<std::int32_t>(o));
  QCOMPARE(std::get<std::int32_t>(o), 6);
  const std::string date = std::get<std::string>(r.Tag(36867));
  // Big-endian files keep the terminating zero as a 20th character.
  QCOMPARE(date.size(), intel ? std::size_t(19) : std::size_t(20));
  QCOMPARE(QByteArray::fromStdString(date.substr(0, 19)), Date);
  if (!intel)
    QCOMPARE(date.back(), '\0');
  QCOMPARE(text(r.Tag(0xA000)), QString("0100")); // inline UNDEFINED in file order
  QCOMPARE(std::get<std::int32_t>(r.Tag(0)), 2 + 2 + 2);
  QVERIFY(std::holds_alternative<std::monostate>(r.Tag(271)));
  QVERIFY(std::holds_alternative<std::monostate>(r.MakerNoteTag(274)));

  const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
  QCOMPARE(kuvo::readExifOrientation(data, std::size_t(bytes.size())), 6);
  QCOMPARE(QByteArray::fromStdString(kuvo::readExifDateTimeOriginal(data, std::size_t(bytes.size()))), Date);
}

void TestExifReader::firstMatchWins() {
  // IFD1 repeats Orientation with 3: the IFD0 value answers.
  ExifReader r = loaded(jpeg(camera(true).buf));
  QCOMPARE(text(r.Tag(274)), QString("6"));
  QCOMPARE(r.entries().at(2).tag, 274);
  QCOMPARE(text(r.entryValue(2)), QString("3"));
}

void TestExifReader::walkEnds_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("orientation");
  QTest::addColumn<QString>("date");
  QTest::addColumn<QString>("afterFault"); // tag 0xA000, after the extra entry
  QTest::addColumn<int>("records");

  for (bool intel : {true, false}) {
    const QString order = intel ? " II" : " MM";
    const QString date = intel ? QString(Date) : QString(Date) + QChar(0);
    Tiff probe(intel);
    auto withExtra = [&](const Tiff::E &e) { return jpeg(camera(intel, {e}).buf); };

    QTest::newRow(qPrintable("positive SRATIONAL" + order))
        << withExtra({37380, 10, 1, probe.u32(1) + probe.u32(3)}) << "6" << date << "0100" << 7;
    QTest::newRow(qPrintable("negative SRATIONAL" + order))
        << withExtra({37380, 10, 1, probe.u32(quint32(-1)) + probe.u32(3)}) << "6" << date << "" << 7;
    QTest::newRow(qPrintable("negative SLONG" + order))
        << withExtra({37381, 9, 1, probe.u32(quint32(-5))}) << "6" << date << "" << 7;
    QTest::newRow(qPrintable("count with top bit" + order))
        << withExtra({37381, 7, 0x80000001u, {}, true, 8}) << "6" << date << "" << 7;
    QTest::newRow(qPrintable("huge ASCII count" + order))
        << withExtra({37510, 2, 0x7FFFFFFFu, {}, true, 8}) << "6" << date << "" << 7;
    QTest::newRow(qPrintable("LONG count times 4 beyond 32 bits" + order))
        << withExtra({37510, 4, 0x40000000u, {}, true, 8}) << "6" << date << "" << 7;
    QTest::newRow(qPrintable("SHORT count times 2 beyond 32 bits" + order))
        << withExtra({37510, 3, 0x7FFFFFFFu, {}, true, 8}) << "6" << date << "" << 7;
    QTest::newRow(qPrintable("offset beyond the file" + order))
        << withExtra({37510, 2, 8, {}, true, 0x7FFFFFF0u}) << "6" << date << "" << 7;
    QTest::newRow(qPrintable("FLOAT keeps no value but the walk goes on" + order))
        << withExtra({37510, 11, 1, probe.u32(0x3F800000)}) << "6" << date << "0100" << 7;

    // Chains that lead back to a directory already read.
    {
      Tiff t(intel);
      const int ifd0 = t.dir({t.shortE(274, 6)});
      t.setNext(ifd0, quint32(ifd0));
      QTest::newRow(qPrintable("IFD0 points to itself" + order)) << jpeg(t.buf) << "6" << "" << "" << 1;
    }
    {
      Tiff t = camera(intel);
      t.setNext(int(t.buf.indexOf(t.u16(2) + t.u16(274) + t.u16(3) + t.u32(1) + t.u16(3))), 8); // IFD1 -> IFD0
      // A repeated directory ends the whole walk: the sub-IFD is not reached.
      QTest::newRow(qPrintable("IFD1 points back to IFD0" + order)) << jpeg(t.buf) << "6" << "" << "" << 4;
    }
    {
      Tiff t(intel);
      const int ifd0 = t.dir({t.shortE(274, 6), t.longE(34665, 8)}); // sub-IFD = IFD0
      Q_UNUSED(ifd0);
      QTest::newRow(qPrintable("sub-IFD is IFD0" + order)) << jpeg(t.buf) << "6" << "" << "" << 2;
    }
    {
      Tiff t(intel);
      const int ifd0 = t.dir({t.shortE(274, 6), t.shortE(1, 1)});
      t.setNext(ifd0, quint32(ifd0 + 2 + 12)); // into IFD0's own table
      QTest::newRow(qPrintable("next lies inside IFD0" + order)) << jpeg(t.buf) << "6" << "" << "" << 2;
    }
    // Truncated inside the sub-IFD: its first entry is whole, the rest are
    // reserved but blank.
    {
      const QByteArray whole = jpeg(camera(intel).buf, false);
      const int subTable = int(whole.indexOf(probe.u16(36867)));
      QTest::newRow(qPrintable("truncated in the sub-IFD" + order))
          << whole.left(subTable + 16) << "6" << "" << "" << 6;
    }
  }
}

void TestExifReader::walkEnds() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, orientation);
  QFETCH(QString, date);
  QFETCH(QString, afterFault);
  QFETCH(int, records);
  ExifReader r = loaded(bytes);
  QVERIFY(r.loaded());
  QCOMPARE(text(r.Tag(274)), orientation);
  QCOMPARE(text(r.Tag(36867)), date);
  QCOMPARE(text(r.Tag(0xA000)), afterFault);
  QCOMPARE(text(r.Tag(0)), QString::number(records));
  // A second walk on the same reader appends its records after the first
  // walk's, blank ones included; the first match still answers.
  r.LoadBytes(reinterpret_cast<const unsigned char *>(bytes.constData()), std::size_t(bytes.size()));
  QCOMPARE(text(r.Tag(0)), QString::number(2 * records));
  QCOMPARE(r.entries().size() >= std::size_t(records), true);
  QCOMPARE(r.entries()[std::size_t(records)].tag, 274);
  QCOMPARE(text(r.Tag(274)), orientation);
}

void TestExifReader::decoding_data() {
  QTest::addColumn<bool>("intel");
  QTest::addColumn<int>("type");
  QTest::addColumn<quint32>("count");
  QTest::addColumn<QByteArray>("value"); // raw, file order
  QTest::addColumn<QByteArray>("expected");

  for (bool intel : {true, false}) {
    Tiff t(intel);
    const QString o = intel ? " II" : " MM";
    auto row = [&](const char *name) -> QTestData & { return QTest::newRow(qPrintable(name + o)) << intel; };
    row("BYTE inline: 8 hex digits whatever the count") << 1 << 3u << QByteArray("\x0a\xff\x01\x02", 4) << QByteArray("0AFF0102");
    row("SBYTE out of line: decimal bytes") << 6 << 5u << QByteArray("\x01\x00\xc8\xff\x07", 5) << QByteArray("102002557");
    row("ASCII inline: 4 characters with padding") << 2 << 2u << QByteArray("A\0\0\0", 4) << QByteArray("A\0\0\0", 4);
    row("UNDEFINED out of line") << 7 << 6u << QByteArray("abcdef")
                                 << (intel ? QByteArray("abcde") : QByteArray("abcdef"));
    row("SHORT inline, two values summed") << 3 << 2u << t.u16(300) + t.u16(5) << QByteArray("305");
    row("SSHORT single") << 8 << 1u << t.u16(65535) << QByteArray("65535");
    row("SHORT out of line: decimal of the first count bytes") << 3 << 3u << t.u16(258) + t.u16(3) + t.u16(4)
                                                               << (intel ? QByteArray("213") : QByteArray("120"));
    row("LONG inline") << 4 << 1u << t.u32(0x7FFFFFFF) << QByteArray("2147483647");
    row("LONG count 0 is inline") << 4 << 0u << t.u32(77) << QByteArray("77");
    row("LONG out of line") << 4 << 2u << t.u32(513) + t.u32(9) << (intel ? QByteArray("12") : QByteArray("00"));
    row("RATIONAL: first value only") << 5 << 2u << t.u32(72) + t.u32(1) + t.u32(5) + t.u32(6) << QByteArray("72/1");
    row("DOUBLE: no value") << 12 << 1u << t.u32(1) + t.u32(2) << QByteArray();
  }
}

void TestExifReader::decoding() {
  QFETCH(bool, intel);
  QFETCH(int, type);
  QFETCH(quint32, count);
  QFETCH(QByteArray, value);
  QFETCH(QByteArray, expected);
  Tiff t(intel);
  t.dir({{700, quint16(type), count, value}, t.shortE(274, 8)});
  ExifReader r = loaded(jpeg(t.buf));
  QCOMPARE(QByteArray::fromStdString(ExifReader::toText(r.Tag(700))), expected);
  QCOMPARE(text(r.Tag(274)), QString("8"));
  QCOMPARE(r.entries().front().type, type);
  QCOMPARE(r.entries().front().count, std::int32_t(count));
}

void TestExifReader::notExif_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<bool>("isLoaded");
  const QByteArray tiff = camera(true).buf;
  QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1a\n", 8) + tiff << false;
  QTest::newRow("BMP") << QByteArray("BM") + tiff << false;
  QTest::newRow("empty") << QByteArray() << false;
  QTest::newRow("SOI only") << QByteArray("\xFF\xD8", 2) << false;
  QTest::newRow("JFIF only") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0\xFF\xD9", 22) << false;
  QByteArray noExif = jpeg(tiff);
  noExif.replace(6, 4, "exif");
  QTest::newRow("exif in lower case") << noExif << false;
  // A 0xFF 0xE1 pair inside an APP0 segment comes first and is taken.
  QByteArray early("\xFF\xD8\xFF\xE0\x00\x08\xFF\xE1\x00\x00\x00\x00", 12);
  QTest::newRow("marker bytes inside APP0") << early + jpeg(tiff).mid(2) << false;
  // The real segment after a harmless APP0.
  QTest::newRow("APP0 then APP1") << QByteArray("\xFF\xD8\xFF\xE0\x00\x04\x00\x00", 8) + jpeg(tiff).mid(2) << true;
  QTest::newRow("marker at the very end") << QByteArray("\xFF\xD8\xFF\xE1", 4) << false;
  QTest::newRow("header cut before IFD0 offset") << jpeg(tiff).left(4 + 2 + 6 + 6) << false;
}

void TestExifReader::notExif() {
  QFETCH(QByteArray, bytes);
  QFETCH(bool, isLoaded);
  ExifReader r = loaded(bytes);
  QCOMPARE(r.loaded(), isLoaded);
  QCOMPARE(text(r.Tag(274)), isLoaded ? QString("6") : QString());
  QCOMPARE(text(r.Tag(36867)).isEmpty(), !isLoaded);
  const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
  QCOMPARE(kuvo::readExifOrientation(data, std::size_t(bytes.size())), isLoaded ? 6 : 0);
}

void TestExifReader::fileLoading() {
  QTemporaryDir dir;
  const QString path = dir.filePath("photo.jpg");
  ExifReader r;
  r.picFile = path.toStdString();
  // Missing file: not loaded, and every Tag tries again.
  QVERIFY(std::holds_alternative<std::monostate>(r.Tag(274)));
  QVERIFY(!r.loaded());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  // Big-endian DateTimeOriginal whose zero terminator is the element just
  // past the file's last byte.
  Tiff t(false);
  t.dir({t.ascii(36867, Date)});
  QByteArray bytes = jpeg(t.buf, false);
  bytes.chop(1);
  f.write(bytes);
  f.close();
  QCOMPARE(text(r.Tag(36867)), QString(Date) + QChar(0));
  QVERIFY(r.loaded());

  // Load keeps a picFile already set and ignores its argument.
  ExifReader other;
  other.picFile = path.toStdString();
  other.Load("/nonexistent.jpg");
  QVERIFY(other.loaded());
  QCOMPARE(other.picFile, path.toStdString());

  // One byte shorter and the value would run past the byte array.
  bytes.chop(1);
  ExifReader cut = loaded(bytes);
  QVERIFY(cut.loaded());
  QVERIFY(std::holds_alternative<std::monostate>(cut.Tag(36867)));
}

void TestExifReader::malformedNeverCrashes() {
  // Random damage to a valid file: every outcome is fine but a crash or a
  // record list larger than the file could hold.
  QRandomGenerator rng(20240517);
  for (bool intel : {true, false}) {
    const QByteArray base = jpeg(camera(intel, {{37380, 10, 1, Tiff(intel).u32(1) + Tiff(intel).u32(3)}}).buf);
    for (int round = 0; round < 3000; ++round) {
      QByteArray b = base;
      const int edits = 1 + int(rng.bounded(6));
      for (int e = 0; e < edits; ++e)
        b[int(rng.bounded(int(b.size())))] = char(rng.bounded(256));
      if (rng.bounded(4) == 0)
        b.truncate(int(rng.bounded(int(b.size()))));
      ExifReader r = loaded(b);
      for (std::size_t i = 0; i < r.entries().size(); ++i)
        ExifReader::toText(r.entryValue(i));
      QVERIFY(r.entries().size() <= std::size_t(b.size() + 1) / 12);
      QVERIFY(r.recordCount() <= std::size_t(b.size() + 1) / 12 + 65535);
    }
  }
}

namespace {
QJsonArray exiftoolJson(const QStringList &files) {
  QProcess p;
  p.start("exiftool", QStringList{"-j", "-n", "-q", "-Orientation", "-DateTimeOriginal"} + files);
  if (!p.waitForFinished(120000))
    return {};
  return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

void compareWithExiftool(const QJsonArray &reports) {
  for (const QJsonValue &v : reports) {
    const QJsonObject o = v.toObject();
    const QString file = o.value("SourceFile").toString();
    QFile f(file);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(file));
    const QByteArray bytes = f.readAll();
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const int orientation = kuvo::readExifOrientation(data, std::size_t(bytes.size()));
    const QString date = QString::fromStdString(kuvo::readExifDateTimeOriginal(data, std::size_t(bytes.size())));
    QCOMPARE(orientation, o.value("Orientation").toInt(0));
    QCOMPARE(date, o.value("DateTimeOriginal").toVariant().toString());
  }
}
} // namespace

void TestExifReader::exiftoolWritten_data() {
  QTest::addColumn<QString>("byteOrder");
  QTest::addColumn<int>("orientation");
  for (const char *order : {"Little-endian", "Big-endian"})
    for (int o = 1; o <= 8; o += 7)
      QTest::newRow(qPrintable(QString("%1 %2").arg(order).arg(o))) << QString(order) << o;
  QTest::newRow("Big-endian 6") << QString("Big-endian") << 6;
  QTest::newRow("Little-endian 3") << QString("Little-endian") << 3;
}

void TestExifReader::exiftoolWritten() {
  if (QStandardPaths::findExecutable("exiftool").isEmpty())
    QSKIP("exiftool is not installed");
  QFETCH(QString, byteOrder);
  QFETCH(int, orientation);
  QTemporaryDir dir;
  const QString path = dir.filePath("t.jpg");
  QImage img(9, 5, QImage::Format_RGB32);
  img.fill(Qt::darkCyan);
  QVERIFY(img.save(path, "JPEG"));
  QProcess p;
  p.start("exiftool", {"-q", "-overwrite_original", "-ExifByteOrder=" + byteOrder,
                       QString("-Orientation#=%1").arg(orientation), "-DateTimeOriginal=2001:02:03 04:05:06",
                       "-ExposureCompensation=-0.33", "-ThumbnailImage<=" + path, "-IFD1:Orientation#=1", path});
  QVERIFY(p.waitForFinished(60000));
  QCOMPARE(p.exitCode(), 0);
  ExifReader r;
  r.Load(path.toStdString());
  QVERIFY(r.loaded());
  QCOMPARE(text(r.Tag(274)), QString::number(orientation));
  QCOMPARE(text(r.Tag(36867)).left(19), QString("2001:02:03 04:05:06"));
  QCOMPARE(text(r.Tag(36867)).size(), byteOrder == "Big-endian" ? 20 : 19);
  compareWithExiftool(exiftoolJson({path}));
}

void TestExifReader::agreesWithExiftoolOnGatheredJpegs() {
  if (QStandardPaths::findExecutable("exiftool").isEmpty())
    QSKIP("exiftool is not installed");
  QStringList files{QStringLiteral(KUVO_SOURCE_DIR "/data/samples/rotated_camera.jpg")};
  for (const QString &root : {QStringLiteral(KUVO_SOURCE_DIR "/data"), QStringLiteral("/usr/share/doc"),
                              QStringLiteral("/usr/share/qt6"), QStringLiteral("/usr/share/perl5"),
                              QStringLiteral("/usr/lib/python3")}) {
    QDirIterator it(root, {"*.jpg", "*.jpeg", "*.JPG", "*.JPEG"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext() && files.size() < 300)
      files << it.next();
  }
  files.removeDuplicates();
  const QJsonArray reports = exiftoolJson(files);
  QCOMPARE(reports.size(), files.size());
  compareWithExiftool(reports);
  // The camera sample's known values.
  QFile f(files.front());
  QVERIFY(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
  QCOMPARE(kuvo::readExifOrientation(data, std::size_t(bytes.size())), 6);
  QCOMPARE(kuvo::readExifDateTimeOriginal(data, std::size_t(bytes.size())), std::string("2023:05:17 14:32:08"));
  qInfo("%d JPEG files compared with exiftool", int(files.size()));
}

QTEST_GUILESS_MAIN(TestExifReader)
#include "tst_exif_reader.moc"
