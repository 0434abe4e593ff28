// PicURL.htm and picUpload.dat.
#include "publish/link_page.h"

#include <QtTest>

using namespace kuvo;

namespace {

QByteArray readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString Img = QStringLiteral("<br><img src=%1></img><br>\r\n");
const QString Addr = QStringLiteral("【图片地址】 <font color=blue>%1</font><br>\r\n");
const QString Cap = QStringLiteral("<font color=black>%1</font><br><br>\r\n");

} // namespace

class TestLinkPage : public QObject {
  Q_OBJECT
private slots:
  void pageLines_data();
  void pageLines();
  void fileHasBomAndHistoryAppends();
  void allUploadsFailed();
  void unwritableFolderWritesNothing();
};

void TestLinkPage::pageLines_data() {
  QTest::addColumn<bool>("showPicture");
  QTest::addColumn<bool>("showUrl");
  QTest::addColumn<QStringList>("captions");
  QTest::addColumn<QStringList>("urls");
  QTest::addColumn<QString>("body");
  const QString u0 = QStringLiteral("http://a.org/1_a.jpg"), u2 = QStringLiteral("http://a.org/1_c.jpg");
  QTest::newRow("defaults, two pictures, first captioned")
      << true << true << QStringList{QStringLiteral("海边")} << QStringList{u0, u2}
      << Img.arg(u0) + Addr.arg(u0) + Cap.arg(QStringLiteral("海边")) + Img.arg(u2) + Addr.arg(u2);
  // The failed upload of index 1 must not move caption 2 onto another picture.
  QTest::newRow("failed upload in the middle keeps captions on their pictures")
      << true << true << QStringList{QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}
      << QStringList{u0, QString(), u2}
      << Img.arg(u0) + Addr.arg(u0) + Cap.arg(QStringLiteral("一")) + Img.arg(u2) + Addr.arg(u2) +
             Cap.arg(QStringLiteral("三"));
  QTest::newRow("both switches off keeps captions") << false << false << QStringList{QStringLiteral("a"), QString()}
                                                    << QStringList{u0, u2} << Cap.arg(QStringLiteral("a"));
  QTest::newRow("only addresses") << false << true << QStringList() << QStringList{u0} << Addr.arg(u0);
  QTest::newRow("caption markup escaped")
      << false << false << QStringList{QStringLiteral("1<2 & \"x\" <script>")} << QStringList{u0}
      << Cap.arg(QStringLiteral("1&lt;2 &amp; &quot;x&quot; &lt;script&gt;"));
  QTest::newRow("ampersand in address") << true << false << QStringList()
                                        << QStringList{QStringLiteral("http://a.org/p?x=1&y=2")}
                                        << Img.arg(QStringLiteral("http://a.org/p?x=1&amp;y=2"));
}

void TestLinkPage::pageLines() {
  QFETCH(bool, showPicture);
  QFETCH(bool, showUrl);
  QFETCH(QStringList, captions);
  QFETCH(QStringList, urls);
  QFETCH(QString, body);
  ProcessingSettings s;
  s.linkPageShowPicture = showPicture;
  s.linkPageShowUrl = showUrl;
  s.descriptions = captions;
  QCOMPARE(linkPageText(s, urls), linkPageHeader() + QStringLiteral("\r\n") + body);
}

void TestLinkPage::fileHasBomAndHistoryAppends() {
  QTemporaryDir dir;
  ProcessingSettings s;
  s.outputFolder = dir.filePath(QStringLiteral("out"));
  QDir().mkpath(s.outputFolder);
  const QString history = dir.filePath(QStringLiteral("user/picUpload.dat"));
  QString page;
  QVERIFY(funCreateHtm(s, {QStringLiteral("http://a.org/1.jpg"), QString(), QStringLiteral("http://a.org/2.jpg")},
                       history, &page));
  QCOMPARE(page, s.outputFolder + QStringLiteral("/PicURL.htm"));
  const QByteArray first = readAll(page);
  QVERIFY(first.startsWith("\xEF\xBB\xBF<font color=red>【Kuvo网络图片使用指南】"));
  QCOMPARE(QString::fromUtf8(first.mid(3)),
           linkPageText(s, {QStringLiteral("http://a.org/1.jpg"), QString(), QStringLiteral("http://a.org/2.jpg")}));
  QCOMPARE(readAll(history), QByteArray("http://a.org/1.jpg\r\nhttp://a.org/2.jpg\r\n"));

  // A second run replaces the page and adds below the first run's history.
  QVERIFY(funCreateHtm(s, {QStringLiteral("http://a.org/3.jpg")}, history));
  const QByteArray second = readAll(page);
  QVERIFY(second.contains("http://a.org/3.jpg"));
  QVERIFY(!second.contains("http://a.org/1.jpg"));
  QCOMPARE(second.count("\xEF\xBB\xBF"), 1);
  QCOMPARE(readAll(history), QByteArray("http://a.org/1.jpg\r\nhttp://a.org/2.jpg\r\nhttp://a.org/3.jpg\r\n"));
}

void TestLinkPage::allUploadsFailed() {
  QTemporaryDir dir;
  ProcessingSettings s;
  s.outputFolder = dir.path();
  s.descriptions = {QStringLiteral("海边")};
  const QString history = dir.filePath(QStringLiteral("picUpload.dat"));
  QVERIFY(funCreateHtm(s, {QString(), QString()}, history));
  QCOMPARE(readAll(dir.filePath(QStringLiteral("PicURL.htm"))),
           QByteArray("\xEF\xBB\xBF") + (linkPageHeader() + QStringLiteral("\r\n")).toUtf8());
  QVERIFY(!QFileInfo::exists(history));
}

void TestLinkPage::unwritableFolderWritesNothing() {
  QTemporaryDir dir;
  ProcessingSettings s;
  s.outputFolder = dir.filePath(QStringLiteral("missing/folder"));
  const QString history = dir.filePath(QStringLiteral("picUpload.dat"));
  QString page = QStringLiteral("untouched");
  QVERIFY(!funCreateHtm(s, {QStringLiteral("http://a.org/1.jpg")}, history, &page));
  QCOMPARE(page, QStringLiteral("untouched"));
  QVERIFY(!QFileInfo::exists(history));
}

QTEST_GUILESS_MAIN(TestLinkPage)
#include "tst_link_page.moc"
