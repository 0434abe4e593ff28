// kuvo-batch on every picture name a user has: .jpeg/.jpe/.tif under the
// original format.
#include <QtTest>

namespace {

struct Result {
  int exitCode = -1;
  QString err;
};

Result runBatch(const QStringList &args) {
  QProcess p;
  p.start(QStringLiteral(KUVO_BIN_DIR "/kuvo-batch"), args);
  Result r;
  if (!p.waitForFinished(120000))
    return r;
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.err = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
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

} // namespace

class TestPictureNames : public QObject {
  Q_OBJECT
private slots:
  void originalFormatKeepsTheName_data();
  void originalFormatKeepsTheName();
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

QTEST_GUILESS_MAIN(TestPictureNames)
#include "tst_picture_names.moc"
