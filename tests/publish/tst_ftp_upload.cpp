// FTP upload against a real pyftpdlib server on 127.0.0.1.
#include "ftp_test_server.h"
#include "publish/ftp_upload.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace kuvo;

namespace {

QByteArray randomBytes(int size, quint32 seed) {
  QByteArray bytes(size, Qt::Uninitialized);
  QRandomGenerator gen(seed);
  for (char &c : bytes)
    c = static_cast<char>(gen.bounded(256));
  return bytes;
}

QString writeFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
    return QString();
  return path;
}

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesUnder(const QString &root) {
  QStringList names;
  QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext())
    names << QDir(root).relativeFilePath(it.next());
  names.sort();
  return names;
}

UploadSettings settingsFor(const FtpTestServer &server, const QString &password = QStringLiteral("secret")) {
  UploadSettings s;
  s.ftpServer = server.address();
  s.ftpUser = QStringLiteral("kuvo");
  s.ftpPassword = password;
  s.webUrlPrefix = QStringLiteral("http://pics.example.org/up/");
  return s;
}

UploadOptions quickOptions(int seconds) {
  UploadOptions o;
  o.connectSeconds = o.stallSeconds = seconds;
  return o;
}

const QDateTime fixedMoment(QDate(2024, 3, 7), QTime(21, 5, 9));

} // namespace

class TestFtpUpload : public QObject {
  Q_OBJECT
private slots:
  void parseServer_data();
  void parseServer();
  void namesAndAddresses_data();
  void namesAndAddresses();
  void uploadsArriveIdentical();
  void wrongPasswordGivesCode2();
  void serverDownGivesCode2();
  void droppedTransferGivesCode3();
  void missingLocalFileGivesCode3();
  void sameNameSameSecondReplaces();
  void addressesPairWithListIndex();

private:
  QTemporaryDir dir_;
};

void TestFtpUpload::parseServer_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("valid");
  QTest::addColumn<QString>("scheme");
  QTest::addColumn<QString>("host");
  QTest::addColumn<int>("port");
  QTest::addColumn<QString>("path");
  QTest::newRow("host") << "ftp.example.org" << true << "ftp"
                        << "ftp.example.org" << 21 << "";
  QTest::newRow("host:port") << " 127.0.0.1:2121 " << true << "ftp"
                             << "127.0.0.1" << 2121 << "";
  QTest::newRow("v6:port") << "[::1]:2121" << true << "ftp"
                           << "::1" << 2121 << "";
  QTest::newRow("ftp url") << "ftp://example.org/www/pics/" << true << "ftp"
                           << "example.org" << 21 << "www/pics";
  QTest::newRow("ftps url") << "FTPS://example.org" << true << "ftps"
                            << "example.org" << 21 << "";
  QTest::newRow("ftps implicit") << "ftps://example.org:990" << true << "ftps"
                                 << "example.org" << 990 << "";
  QTest::newRow("sftp url port") << "sftp://example.org:2222" << true << "sftp"
                                 << "example.org" << 2222 << "";
  QTest::newRow("unset") << "ftp://" << false << "ftp"
                         << "" << 21 << "";
  QTest::newRow("empty") << "" << false << ""
                         << "" << 0 << "";
  QTest::newRow("http") << "http://example.org" << false << ""
                        << "" << 0 << "";
  QTest::newRow("bad port") << "example.org:abc" << false << "ftp"
                            << "example.org" << 0 << "";
  QTest::newRow("port too big") << "example.org:70000" << false << "ftp"
                                << "example.org" << 70000 << "";
  QTest::newRow("space in host") << "my host" << false << "ftp"
                                 << "my host" << 21 << "";
}

void TestFtpUpload::parseServer() {
  QFETCH(QString, text);
  QFETCH(bool, valid);
  const FtpEndpoint e = parseFtpServer(text);
  QCOMPARE(e.valid, valid);
  if (!valid)
    return;
  QTEST(e.scheme, "scheme");
  QTEST(e.host, "host");
  QTEST(e.port, "port");
  QTEST(e.path, "path");
  // Explicit TLS travels as ftp:// with TLS required; port 990 is implicit TLS.
  const QString tag = QString::fromLatin1(QTest::currentDataTag());
  if (tag == QLatin1String("ftps url"))
    QCOMPARE(e.baseUrl(), QStringLiteral("ftp://example.org:21/"));
  if (tag == QLatin1String("ftps implicit"))
    QCOMPARE(e.baseUrl(), QStringLiteral("ftps://example.org:990/"));
  if (tag == QLatin1String("v6:port"))
    QCOMPARE(e.baseUrl(), QStringLiteral("ftp://[::1]:2121/"));
}

void TestFtpUpload::namesAndAddresses_data() {
  QTest::addColumn<QString>("prefix");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("url");
  QTest::newRow("plain") << "http://a.org/p"
                         << "240307210509_x.jpg"
                         << "http://a.org/p/240307210509_x.jpg";
  QTest::newRow("trailing slash") << "http://a.org/p/"
                                  << "a.jpg"
                                  << "http://a.org/p/a.jpg";
  QTest::newRow("space and cjk") << "http://a.org"
                                 << "海边 1.jpg"
                                 << "http://a.org/%E6%B5%B7%E8%BE%B9%201.jpg";
  QTest::newRow("markup chars") << "http://a.org"
                                << "a<b>&\".jpg"
                                << "http://a.org/a%3Cb%3E%26%22.jpg";
  QTest::newRow("prefix not set") << "http://"
                                  << "a.jpg"
                                  << "http:///a.jpg";
  QTest::newRow("prefix with space") << "http://a.org/my pics"
                                     << "a.jpg"
                                     << "http://a.org/my%20pics/a.jpg";
}

void TestFtpUpload::namesAndAddresses() {
  QFETCH(QString, prefix);
  QFETCH(QString, name);
  QTEST(publicUrl(prefix, name), "url");
  QCOMPARE(remoteNameStamp(fixedMoment), QStringLiteral("240307210509_"));
  QCOMPARE(remoteNameStamp(QDateTime(QDate(2009, 12, 31), QTime(0, 0, 0))), QStringLiteral("091231000000_"));
}

void TestFtpUpload::uploadsArriveIdentical() {
  FtpTestServer server;
  QVERIFY2(server.running(), "pyftpdlib server did not start");
  UploadSettings s = settingsFor(server);
  s.ftpRootFolder = QStringLiteral("/www/图片/");
  FtpUploader uploader(s);
  uploader.setClock([] { return fixedMoment; });

  const QByteArray a = randomBytes(300 * 1024, 1), b = randomBytes(10, 2);
  const QString pa = writeFile(dir_.filePath(QStringLiteral("a.jpg")), a);
  const QString pb = writeFile(dir_.filePath(QStringLiteral("海边 b.jpg")), b);
  QString errors;
  const QString ua = uploader.upload(pa, QStringLiteral("a.jpg"), errors);
  const QString ub = uploader.upload(pb, QStringLiteral("海边 b.jpg"), errors);
  QCOMPARE(errors, QString());
  QCOMPARE(ua, QStringLiteral("http://pics.example.org/up/240307210509_a.jpg"));
  QCOMPARE(ub, QStringLiteral("http://pics.example.org/up/240307210509_%E6%B5%B7%E8%BE%B9%20b.jpg"));
  const QString folder = server.root() + QStringLiteral("/www/图片/");
  QCOMPARE(readFile(folder + QStringLiteral("240307210509_a.jpg")), a);
  QCOMPARE(readFile(folder + QStringLiteral("240307210509_海边 b.jpg")), b);
  // Nothing else is left on the server: the temporary names are gone.
  QCOMPARE(filesUnder(server.root()), QStringList({QStringLiteral("www/图片/240307210509_a.jpg"),
                                                   QStringLiteral("www/图片/240307210509_海边 b.jpg")}));
  QCOMPARE(uploader.records().size(), 2);
}

void TestFtpUpload::wrongPasswordGivesCode2() {
  FtpTestServer server;
  QVERIFY(server.running());
  FtpUploader uploader(settingsFor(server, QStringLiteral("wrong")));
  const QString p1 = writeFile(dir_.filePath(QStringLiteral("w1.jpg")), randomBytes(100, 3));
  const QString p2 = writeFile(dir_.filePath(QStringLiteral("w2.jpg")), randomBytes(100, 4));
  QString errors;
  QCOMPARE(uploader.upload(p1, QStringLiteral("w1.jpg"), errors), QString());
  QCOMPARE(uploader.upload(p2, QStringLiteral("w2.jpg"), errors), QString());
  QCOMPARE(errors, p1 + QStringLiteral("在传输文件时发生错误:(错误代码:2)。\r\n") + p2 +
                       QStringLiteral("在传输文件时发生错误:(错误代码:2)。\r\n"));
  QVERIFY(filesUnder(server.root()).isEmpty());
}

void TestFtpUpload::serverDownGivesCode2() {
  int port = 0;
  {
    FtpTestServer server;
    QVERIFY(server.running());
    port = server.port();
  }
  UploadSettings s;
  s.ftpServer = QStringLiteral("ftp://127.0.0.1:%1").arg(port);
  const QString p = writeFile(dir_.filePath(QStringLiteral("down.jpg")), randomBytes(100, 5));
  const UploadOutcome outcome = uploadFile(s, p, QStringLiteral("down.jpg"), quickOptions(3));
  QCOMPARE(outcome.code, int(UploadNoConnection));
  QVERIFY(outcome.url.isEmpty());

  s.ftpServer = QStringLiteral("ftp://");
  QCOMPARE(uploadFile(s, p, QStringLiteral("down.jpg")).code, int(UploadNoSession));
}

void TestFtpUpload::droppedTransferGivesCode3() {
  FtpTestServer server(QStringLiteral("kuvo"), QStringLiteral("secret"), true);
  QVERIFY(server.running());
  FtpUploader uploader(settingsFor(server));
  uploader.setOptions(quickOptions(5));
  uploader.setClock([] { return fixedMoment; });
  const QString p = writeFile(dir_.filePath(QStringLiteral("big.jpg")), randomBytes(4 * 1024 * 1024, 6));
  QString errors;
  QCOMPARE(uploader.upload(p, QStringLiteral("big.jpg"), errors), QString());
  QCOMPARE(errors, p + QStringLiteral("在传输文件时发生错误:(错误代码:3)。\r\n"));
  // No partial file under the real name.
  QVERIFY(!QFileInfo::exists(server.root() + QStringLiteral("/240307210509_big.jpg")));
  // The temporary file was cleaned up too.
  QTRY_VERIFY(filesUnder(server.root()).isEmpty());
  QVERIFY(uploader.records().at(0).url.isEmpty());
}

void TestFtpUpload::missingLocalFileGivesCode3() {
  FtpTestServer server;
  QVERIFY(server.running());
  FtpUploader uploader(settingsFor(server));
  const QString missing = dir_.filePath(QStringLiteral("never-saved.jpg"));
  QString errors;
  QCOMPARE(uploader.upload(missing, QStringLiteral("never-saved.jpg"), errors), QString());
  QCOMPARE(errors, missing + QStringLiteral("在传输文件时发生错误:(错误代码:3)。\r\n"));
  QVERIFY(filesUnder(server.root()).isEmpty());
}

void TestFtpUpload::sameNameSameSecondReplaces() {
  FtpTestServer server;
  QVERIFY(server.running());
  FtpUploader uploader(settingsFor(server));
  uploader.setClock([] { return fixedMoment; });
  QDir().mkpath(dir_.filePath(QStringLiteral("one")));
  QDir().mkpath(dir_.filePath(QStringLiteral("two")));
  const QByteArray first = randomBytes(5000, 7), second = randomBytes(3000, 8);
  const QString p1 = writeFile(dir_.filePath(QStringLiteral("one/same.jpg")), first);
  const QString p2 = writeFile(dir_.filePath(QStringLiteral("two/same.jpg")), second);
  QString errors;
  const QString u1 = uploader.upload(p1, QStringLiteral("same.jpg"), errors);
  const QString u2 = uploader.upload(p2, QStringLiteral("same.jpg"), errors);
  QCOMPARE(errors, QString());
  QCOMPARE(u1, u2);
  QCOMPARE(filesUnder(server.root()), QStringList{QStringLiteral("240307210509_same.jpg")});
  QCOMPARE(readFile(server.root() + QStringLiteral("/240307210509_same.jpg")), second);
}

void TestFtpUpload::addressesPairWithListIndex() {
  // Records as a run leaves them: index 1 failed to save, so its upload failed.
  FtpTestServer server;
  QVERIFY(server.running());
  FtpUploader uploader(settingsFor(server));
  const QString p0 = writeFile(dir_.filePath(QStringLiteral("i0.jpg")), randomBytes(10, 9));
  const QString p1 = dir_.filePath(QStringLiteral("i1-missing.jpg"));
  const QString p2 = writeFile(dir_.filePath(QStringLiteral("i2.jpg")), randomBytes(10, 10));
  QString errors;
  uploader.upload(p0, QStringLiteral("i0.jpg"), errors);
  uploader.upload(p1, QStringLiteral("i1-missing.jpg"), errors);
  uploader.upload(p2, QStringLiteral("i2.jpg"), errors);
  RunSummary summary;
  summary.processed = 3;
  summary.outputPaths = QStringList{p0, QString(), p2, QString()};
  QStringList urls = uploader.urlsByIndex(summary);
  QCOMPARE(urls.size(), 4);
  QVERIFY(urls[0].endsWith(QStringLiteral("_i0.jpg")));
  QVERIFY(urls[1].isEmpty());
  QVERIFY(urls[2].endsWith(QStringLiteral("_i2.jpg")));
  QVERIFY(urls[3].isEmpty());

  // Index 1 failed to save but an older file of its name was still there
  // and went up: it is not this run's picture and gets no address.
  FtpUploader stale(settingsFor(server));
  const QString old = writeFile(dir_.filePath(QStringLiteral("i1-old.jpg")), randomBytes(10, 12));
  stale.upload(p0, QStringLiteral("i0.jpg"), errors);
  stale.upload(old, QStringLiteral("i1-old.jpg"), errors);
  stale.upload(p2, QStringLiteral("i2.jpg"), errors);
  urls = stale.urlsByIndex(summary);
  QVERIFY(!urls[0].isEmpty() && urls[1].isEmpty() && !urls[2].isEmpty());

  // Upload switched on only from index 1 on: paired by path.
  FtpUploader later(settingsFor(server));
  later.upload(p2, QStringLiteral("i2.jpg"), errors);
  urls = later.urlsByIndex(summary);
  QVERIFY(urls[0].isEmpty() && urls[1].isEmpty());
  QVERIFY(urls[2].endsWith(QStringLiteral("_i2.jpg")));
}

QTEST_GUILESS_MAIN(TestFtpUpload)
#include "tst_ftp_upload.moc"
