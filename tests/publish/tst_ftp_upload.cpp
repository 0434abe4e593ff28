// FTP upload against a real pyftpdlib server on 127.0.0.1.
#include "ftp_test_server.h"
#include "publish/ftp_upload.h"

#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
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
  void failuresCarryTheirReason_data();
  void failuresCarryTheirReason();
  void unreachableServerIsGivenUp();
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

void TestFtpUpload::failuresCarryTheirReason_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("reason");
  QTest::newRow("login refused") << "password" << 2 << "服务器拒绝登录(用户名或密码错误)";
  QTest::newRow("host not found") << "host" << 2 << "找不到服务器";
  QTest::newRow("nobody listening") << "down" << 2 << "无法连接服务器";
  QTest::newRow("server stalls") << "stall" << 2 << "连接服务器超时";
  QTest::newRow("folder not writable") << "readonly" << 3 << "服务器上的文件夹无法写入";
  QTest::newRow("no server set") << "unset" << 1 << "服务器地址无法使用";
}

void TestFtpUpload::failuresCarryTheirReason() {
  QFETCH(QString, kind);
  FtpTestServer server(QStringLiteral("kuvo"), QStringLiteral("secret"),
                       kind == QLatin1String("readonly") ? kind : QString());
  QVERIFY(server.running());
  QTcpServer stalling; // accepts and never says a word
  QVERIFY(stalling.listen(QHostAddress::LocalHost));
  UploadSettings s = settingsFor(server, kind == QLatin1String("password") ? QStringLiteral("wrong") : QStringLiteral("secret"));
  if (kind == QLatin1String("host"))
    s.ftpServer = QStringLiteral("ftp://kuvo-test.invalid");
  else if (kind == QLatin1String("stall"))
    s.ftpServer = QStringLiteral("127.0.0.1:%1").arg(stalling.serverPort());
  else if (kind == QLatin1String("unset"))
    s.ftpServer = QStringLiteral("ftp://");
  if (kind == QLatin1String("down"))
    server.stop();
  FtpUploader uploader(s);
  uploader.setOptions(quickOptions(2));
  const QString p = writeFile(dir_.filePath(QStringLiteral("f-%1.jpg").arg(kind)), randomBytes(100, 3));
  QString errors;
  QCOMPARE(uploader.upload(p, QFileInfo(p).fileName(), errors), QString());
  // The fixed phrase and code, the reason, then libcurl's own text.
  QFETCH(int, code);
  QFETCH(QString, reason);
  const QString start = p + QStringLiteral("在传输文件时发生错误:(错误代码:%1)").arg(code) + reason + QLatin1Char('(');
  QVERIFY2(errors.startsWith(start) && errors.endsWith(QStringLiteral(")。\r\n")) && errors.count(QLatin1Char('\n')) == 1,
           qPrintable(errors));
  QCOMPARE(uploader.failedCount(), 1);
  QVERIFY(filesUnder(server.root()).isEmpty());
}

void TestFtpUpload::unreachableServerIsGivenUp() {
  QTcpServer stalling;
  QVERIFY(stalling.listen(QHostAddress::LocalHost));
  UploadSettings s;
  s.ftpServer = QStringLiteral("127.0.0.1:%1").arg(stalling.serverPort());
  FtpUploader uploader(s);
  uploader.setOptions(quickOptions(1));
  QString errors;
  QStringList paths;
  for (int i = 0; i < 5; ++i) {
    paths << writeFile(dir_.filePath(QStringLiteral("stall%1.jpg").arg(i)), randomBytes(100, 20 + i));
    QCOMPARE(uploader.upload(paths.last(), QFileInfo(paths.last()).fileName(), errors), QString());
  }
  // Three tries, then one entry for the rest; nothing more goes out.
  QCOMPARE(errors.count(QStringLiteral("(错误代码:2)连接服务器超时")), 3);
  QCOMPARE(errors.count(QStringLiteral("\r\n")), 4);
  QVERIFY2(errors.contains(paths[3] + QStringLiteral("没有上传:已连续3次无法连接服务器")), qPrintable(errors));
  QCOMPARE(uploader.failedCount(), 5);
  QCOMPARE(uploader.uploadedCount(), 0);
  QTest::qWait(100);
  int connections = 0;
  while (QTcpSocket *c = stalling.nextPendingConnection()) {
    ++connections;
    delete c;
  }
  QCOMPARE(connections, 3);

  // clear() starts the next run with a fresh count.
  uploader.clear();
  errors.clear();
  uploader.upload(paths[0], QStringLiteral("stall0.jpg"), errors);
  QVERIFY(errors.contains(QStringLiteral("连接服务器超时")));
}

void TestFtpUpload::droppedTransferGivesCode3() {
  FtpTestServer server(QStringLiteral("kuvo"), QStringLiteral("secret"), QStringLiteral("drop"));
  QVERIFY(server.running());
  FtpUploader uploader(settingsFor(server));
  uploader.setOptions(quickOptions(5));
  uploader.setClock([] { return fixedMoment; });
  const QString p = writeFile(dir_.filePath(QStringLiteral("big.jpg")), randomBytes(4 * 1024 * 1024, 6));
  QString errors;
  QCOMPARE(uploader.upload(p, QStringLiteral("big.jpg"), errors), QString());
  QVERIFY2(errors.startsWith(p + QStringLiteral("在传输文件时发生错误:(错误代码:3)")), qPrintable(errors));
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
  QVERIFY2(errors.startsWith(missing + QStringLiteral("在传输文件时发生错误:(错误代码:3)无法读取本地文件")), qPrintable(errors));
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

  // A file that is not this run's output gets no address and takes no
  // index from the pictures after it.
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
