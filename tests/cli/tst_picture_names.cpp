// kuvo-batch on every picture name a user has: .jpeg/.jpe/.tif under the
// original format, phone photos (HEIC, AVIF) made here by heif-enc and by
// libheif's encoder, and file names in GBK bytes.
#include "batch_process.h"
#include "engine/photo_exif.h"
#include "engine/picture_files.h"
#include "imaging/exif_tags.h"

#include <QtTest>
#include <cstring>
#include <fcntl.h>
#include <libheif/heif.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kuvo;

namespace {

using Result = BatchResult;

Result runBatch(const QStringList &args) {
  return runBatchProcess(args);
}

QByteArray head(const QString &path, int n) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

QImage sample() {
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(QColor(200, 30, 30));
  return image;
}

// 48 x 24: left half red, right half blue, so a quarter turn shows which way
// it went (turned clockwise, red is on top).
QImage halves() {
  QImage image(48, 24, QImage::Format_RGB32);
  image.fill(QColor(220, 20, 20));
  for (int y = 0; y < image.height(); ++y)
    for (int x = image.width() / 2; x < image.width(); ++x)
      image.setPixel(x, y, qRgb(20, 20, 220));
  return image;
}

// A little-endian TIFF structure: Orientation 6 and DateTimeOriginal.
QByteArray exifTiff() {
  QByteArray t;
  auto u16 = [&t](quint16 v) { t.append(char(v & 0xFF)).append(char(v >> 8)); };
  auto u32 = [&](quint32 v) { u16(v & 0xFFFF); u16(v >> 16); };
  t.append("II*\0", 4);
  u32(8);
  u16(2);                               // IFD0 at 8
  u16(274), u16(3), u32(1), u16(6), u16(0); // Orientation = 6
  u16(34665), u16(4), u32(1), u32(38);      // Exif IFD at 38
  u32(0);
  u16(1);
  u16(36867), u16(2), u32(20), u32(56); // DateTimeOriginal at 56
  u32(0);
  t.append("2021:05:06 07:08:09\0", 20);
  return t;
}

// A JPEG of the halves carrying that EXIF in an APP1 segment.
QByteArray jpegWithExif() {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  halves().save(&buffer, "JPEG", 95);
  const QByteArray body = QByteArray("Exif\0\0", 6) + exifTiff();
  const int length = int(body.size()) + 2;
  QByteArray app1;
  app1.append(char(0xFF)).append(char(0xE1)).append(char(length >> 8)).append(char(length & 0xFF)).append(body);
  return jpeg.insert(2, app1);
}

// heif-enc turns a JPEG into HEIC/AVIF and keeps its EXIF; the rotation
// stays in the EXIF tag only.
QString heifEncFile(const QString &folder, const QString &name) {
  const QString jpeg = folder + QStringLiteral("/source.jpg");
  QFile f(jpeg);
  if (!f.open(QIODevice::WriteOnly) || f.write(jpegWithExif()) <= 0)
    return {};
  f.close();
  const QString out = folder + QLatin1Char('/') + name;
  QProcess p;
  p.start(QStandardPaths::findExecutable(QStringLiteral("heif-enc")), {"-q", "90", jpeg, "-o", out});
  p.waitForFinished(60000);
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && QFile::exists(out) ? out : QString();
}

// libheif's own encoder with the quarter turn as a container property and
// the same EXIF block, as phones write them.
QString turnedByContainer(const QString &folder, const QString &name, heif_compression_format format) {
  heif_context *ctx = heif_context_alloc();
  heif_encoder *encoder = nullptr;
  QString result;
  if (heif_context_get_encoder_for_format(ctx, format, &encoder).code == heif_error_Ok) {
    const QImage picture = halves().convertToFormat(QImage::Format_RGB888);
    heif_image *image = nullptr;
    heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < picture.height(); ++y)
      memcpy(plane + y * stride, picture.constScanLine(y), size_t(picture.width()) * 3);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_encoding_options *options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation_rotate_90_cw;
    heif_image_handle *handle = nullptr;
    const QByteArray tiff = exifTiff();
    const QString out = folder + QLatin1Char('/') + name;
    if (heif_context_encode_image(ctx, image, encoder, options, &handle).code == heif_error_Ok &&
        heif_context_add_exif_metadata(ctx, handle, tiff.constData(), int(tiff.size())).code == heif_error_Ok &&
        heif_context_write_to_file(ctx, out.toLocal8Bit().constData()).code == heif_error_Ok)
      result = out;
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
  }
  heif_context_free(ctx);
  return result;
}

bool isRed(QRgb c) { return qRed(c) > 150 && qBlue(c) < 100; }
bool isBlue(QRgb c) { return qBlue(c) > 150 && qRed(c) < 100; }

} // namespace

class TestPictureNames : public QObject {
  Q_OBJECT
private slots:
  void originalFormatKeepsTheName_data();
  void originalFormatKeepsTheName();
  void phonePhotos_data();
  void phonePhotos();
  void gbkNames();
};

// Under the original format each name is written by the encoder its
// extension stands for, and keeps its extension.
void TestPictureNames::originalFormatKeepsTheName_data() {
  QTest::addColumn<QString>("source");
  QTest::addColumn<QByteArray>("writer"); // the Qt format the test writes the source in
  QTest::addColumn<QString>("output");
  QTest::addColumn<QByteArray>("magic");
  QTest::newRow("jpeg") << "photo.jpeg" << QByteArray("JPEG") << "photo.jpeg" << QByteArray("\xFF\xD8\xFF");
  QTest::newRow("JPE") << "photo.JPE" << QByteArray("JPEG") << "photo.JPE" << QByteArray("\xFF\xD8\xFF");
  QTest::newRow("tif") << "scan.tif" << QByteArray("TIFF") << "scan.tif" << QByteArray("II*\0", 4);
}

void TestPictureNames::originalFormatKeepsTheName() {
  QFETCH(QString, source);
  QFETCH(QByteArray, writer);
  QFETCH(QString, output);
  QFETCH(QByteArray, magic);
  QTemporaryDir work;
  const QString in = work.filePath(QStringLiteral("in/") + source);
  QVERIFY(QDir().mkpath(work.filePath(QStringLiteral("in"))));
  QVERIFY(sample().save(in, writer.constData()));
  const QString out = work.filePath(QStringLiteral("out"));
  // The folder scan must find the name too, not only an explicit argument.
  const Result r = runBatch({"-o", out, "--format", "original", "--size", "original", work.filePath("in")});
  QVERIFY2(r.exitCode == 0, qPrintable(r.err));
  QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{output});
  QCOMPARE(head(out + QLatin1Char('/') + output, magic.size()), magic);
  QCOMPARE(QImage(out + QLatin1Char('/') + output).size(), QSize(40, 20));
}

// HEIC and AVIF, with the turn in the EXIF tag only (heif-enc) or as the
// container's own property beside the same EXIF tag (as phones write them):
// smart rotation leaves both upright, turned once. Under the original format
// they become JPEG files that keep the photo's date and say "upright".
void TestPictureNames::phonePhotos_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("containerTurns");
  QTest::addColumn<QString>("rotate");
  QTest::addColumn<QSize>("size");
  QTest::newRow("heic from heif-enc, smart") << "a.heic" << false << "smart" << QSize(24, 48);
  QTest::newRow("avif from heif-enc, smart") << "a.avif" << false << "auto" << QSize(24, 48);
  QTest::newRow("heic from heif-enc, not turned") << "a.HEIC" << false << "none" << QSize(48, 24);
  QTest::newRow("heic turned by its container, smart") << "b.heic" << true << "smart" << QSize(24, 48);
  QTest::newRow("avif turned by its container, smart") << "b.avif" << true << "smart" << QSize(24, 48);
  QTest::newRow("heif turned by its container, not turned") << "b.heif" << true << "none" << QSize(24, 48);
}

void TestPictureNames::phonePhotos() {
  QFETCH(QString, name);
  QFETCH(bool, containerTurns);
  QFETCH(QString, rotate);
  QFETCH(QSize, size);
  QTemporaryDir work;
  const bool avif = name.endsWith(QLatin1String(".avif"));
  QString source;
  if (containerTurns) {
    source = turnedByContainer(work.path(), name, avif ? heif_compression_AV1 : heif_compression_HEVC);
    if (source.isEmpty())
      QSKIP("libheif has no encoder for this format here");
  } else {
    if (QStandardPaths::findExecutable(QStringLiteral("heif-enc")).isEmpty())
      QSKIP("heif-enc (libheif-examples) is not installed");
    source = heifEncFile(work.path(), name);
    QVERIFY2(!source.isEmpty(), "heif-enc could not write the test picture");
  }
  const QString out = work.filePath(QStringLiteral("out"));
  const Result r = runBatch({"-o", out, "--format", "original", "--quality", "95", "--size", "original", "--rotate",
                             rotate, source});
  QVERIFY2(r.exitCode == 0, qPrintable(r.err));
  const QString written = out + QLatin1Char('/') + QFileInfo(name).completeBaseName() + QStringLiteral(".jpg");
  const QImage picture(written);
  QCOMPARE(picture.size(), size);
  const bool tall = size.height() > size.width();
  // Turned clockwise, the left (red) half is on top.
  QVERIFY(isRed(picture.pixel(picture.width() / 4, picture.height() / 4)));
  const QRgb far = tall ? picture.pixel(size.width() / 2, size.height() * 3 / 4)
                        : picture.pixel(size.width() * 3 / 4, size.height() / 2);
  QVERIFY(isBlue(far));
  QFile file(written);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  QCOMPARE(photoDateTimeOriginal(bytes), QStringLiteral("2021:05:06 07:08:09"));
  // Upright pixels say so; pixels left as coded keep the tag for viewers.
  QCOMPARE(readExifOrientation(reinterpret_cast<const unsigned char *>(bytes.constData()), size_t(bytes.size())),
           tall ? 1 : 6);
}

// Names in GBK bytes, as Windows archives leave them, in a GBK-named
// folder: the folder scan lists them under their Chinese names, kuvo-batch
// reads them by their bytes (through a folder and as an argument) and
// writes UTF-8 names; the sources stay as they were.
void TestPictureNames::gbkNames() {
  QTemporaryDir work;
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  QVERIFY(sample().save(&buffer, "JPEG"));
  const QByteArray root = QFile::encodeName(work.path());
  const QByteArray folder = root + "/\xCF\xE0\xB2\xE1";        // 相册
  const QByteArray photo = folder + "/\xD5\xD5\xC6\xAC.jpg"; // 照片.jpg
  QCOMPARE(::mkdir(folder.constData(), 0700), 0);
  struct Cleanup { // QTemporaryDir cannot list these names to remove them
    QByteArray file, dir;
    ~Cleanup() {
      ::unlink(file.constData());
      ::rmdir(dir.constData());
    }
  } cleanup{photo, folder};
  const int fd = ::open(photo.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  QVERIFY(fd >= 0);
  QCOMPARE(::write(fd, jpeg.constData(), size_t(jpeg.size())), ssize_t(jpeg.size()));
  ::close(fd);

  const QString shownFolder = work.path() + QStringLiteral("/相册");
  QCOMPARE(listPictures(work.path(), true), QStringList{shownFolder + QStringLiteral("/照片.jpg")});

  const QString out = work.filePath(QStringLiteral("out"));
  Result r = runBatch({"-o", out, "-r", "--format", "png", "--size", "original", work.path()});
  QVERIFY2(r.exitCode == 0, qPrintable(r.err));
  QCOMPARE(QImage(out + QStringLiteral("/相册/照片.png")).size(), QSize(40, 20));

  // The same file named by its bytes on the command line (through the shell,
  // as QProcess would pass UTF-8).
  QProcess shell;
  shell.start(QStringLiteral("/bin/sh"),
              {"-c", "exec \"$0\" -o \"$1\" --format png --size original \"$(printf \"$2\")\"",
               KUVO_BIN_DIR "/kuvo-batch", out + QStringLiteral("/flat"),
               work.path() + QStringLiteral("/\\317\\340\\262\\341/\\325\\325\\306\\254.jpg")});
  QVERIFY(shell.waitForFinished(60000));
  QVERIFY2(shell.exitCode() == 0, shell.readAllStandardError().constData());
  QCOMPARE(QImage(out + QStringLiteral("/flat/照片.png")).size(), QSize(40, 20));

  // And by its bytes in a --files-from list, as a Windows tool writes one.
  const QString list = work.filePath(QStringLiteral("list.txt"));
  QFile listFile(list);
  QVERIFY(listFile.open(QIODevice::WriteOnly));
  listFile.write(photo + "\r\n");
  listFile.close();
  r = runBatch({"-o", out + QStringLiteral("/listed"), "--format", "png", "--size", "original", "--files-from", list});
  QVERIFY2(r.exitCode == 0, qPrintable(r.err));
  QCOMPARE(QImage(out + QStringLiteral("/listed/照片.png")).size(), QSize(40, 20));
  // A GBK-named job file and watermark beside it, given by their bytes, are
  // read (a watermark that cannot be read would be an error entry, exit 1).
  const QByteArray jobFile = folder + "/\xC8\xCE\xCE\xF1.job";   // 任务.job
  const QByteArray markFile = folder + "/\xCB\xAE\xD3\xA1.png"; // 水印.png
  const auto placeByBytes = [&](const QByteArray &contents, const QByteArray &name) {
    QFile file(QString::fromLocal8Bit(root + "/by-bytes.tmp"));
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.flush() &&
           ::rename(QFile::encodeName(file.fileName()).constData(), name.constData()) == 0;
  };
  QByteArray mark;
  QBuffer markBuffer(&mark);
  markBuffer.open(QIODevice::WriteOnly);
  QVERIFY(QImage(8, 8, QImage::Format_ARGB32).save(&markBuffer, "PNG"));
  QVERIFY(placeByBytes("[Options]\r\nsOutFormat=png\r\n", jobFile));
  QVERIFY(placeByBytes(mark, markFile));
  struct ByBytesCleanup {
    QByteArray job, mark;
    ~ByBytesCleanup() {
      ::unlink(job.constData());
      ::unlink(mark.constData());
    }
  } byBytesCleanup{jobFile, markFile};
  const QString gbkFolder = work.path() + QStringLiteral("/\\317\\340\\262\\341/");
  shell.start(QStringLiteral("/bin/sh"),
              {"-c",
               "exec \"$0\" --job \"$(printf \"$2\")\" --watermark \"$(printf \"$3\")\" -o \"$1\" --size original "
               "\"$(printf \"$4\")\"",
               KUVO_BIN_DIR "/kuvo-batch", out + QStringLiteral("/job"), gbkFolder + QStringLiteral("\\310\\316\\316\\361.job"),
               gbkFolder + QStringLiteral("\\313\\256\\323\\241.png"),
               gbkFolder + QStringLiteral("\\325\\325\\306\\254.jpg")});
  QVERIFY(shell.waitForFinished(60000));
  QVERIFY2(shell.exitCode() == 0, shell.readAllStandardError().constData());
  QCOMPARE(QImage(out + QStringLiteral("/job/照片.png")).size(), QSize(40, 20));
  struct stat st;
  QCOMPARE(::stat(photo.constData(), &st), 0);
  QCOMPARE(qint64(st.st_size), qint64(jpeg.size()));
}

QTEST_GUILESS_MAIN(TestPictureNames)
#include "tst_picture_names.moc"
