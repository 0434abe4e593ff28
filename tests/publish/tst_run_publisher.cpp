// Whole batch runs with upload, link page and PDF: the engine's run, a real
// FTP server on 127.0.0.1 and the files read back.
#include "ftp_test_server.h"
#include "publish/link_page.h"
#include "publish/run_publisher.h"

#include <QtTest>

using namespace kuvo;

namespace {

QByteArray readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString tool(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestRunPublisher : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void uploadRunWithFailedPicture();
  void wrongPasswordLeavesEmptyPage();

private:
  ProcessingSettings baseSettings(const QString &name) const;
  QTemporaryDir dir_;
  QStringList sources_;
};

void TestRunPublisher::initTestCase() {
  const QString in = dir_.filePath(QStringLiteral("in"));
  QDir().mkpath(in);
  const QColor colors[] = {Qt::red, Qt::green, Qt::blue, Qt::darkYellow};
  for (int i = 0; i < 4; ++i) {
    const QString path = in + QStringLiteral("/p%1.jpg").arg(i);
    if (i == 1) {
      QFile broken(path);
      QVERIFY(broken.open(QIODevice::WriteOnly));
      broken.write("this is not a picture");
    } else {
      QImage image(640, 480, QImage::Format_RGB32);
      image.fill(colors[i]);
      QVERIFY(image.save(path, "JPEG"));
    }
    sources_ << path;
  }
}

ProcessingSettings TestRunPublisher::baseSettings(const QString &name) const {
  ProcessingSettings s;
  s.files = sources_;
  s.descriptions = {QStringLiteral("甲<1>"), QStringLiteral("乙"), QStringLiteral("丙"), QStringLiteral("丁")};
  s.outputFolder = dir_.filePath(name);
  QDir().mkpath(s.outputFolder);
  s.widthText = QStringLiteral("320");
  s.upload = true;
  s.makePdf = true;
  s.pdfTitle = QStringLiteral("测试相册");
  s.pdfDate = QStringLiteral("2024年01月02日");
  return s;
}

void TestRunPublisher::uploadRunWithFailedPicture() {
  FtpTestServer server;
  QVERIFY(server.running());
  UploadSettings up;
  up.ftpServer = QStringLiteral("ftp://") + server.address();
  up.ftpUser = QStringLiteral("kuvo");
  up.ftpPassword = QStringLiteral("secret");
  up.ftpRootFolder = QStringLiteral("pics");
  up.webUrlPrefix = QStringLiteral("http://www.example.org/pics");

  const ProcessingSettings s = baseSettings(QStringLiteral("run"));
  // An older output of the broken picture: it must not be published again.
  QFile stale(s.outputFolder + QStringLiteral("/p1.jpg"));
  QVERIFY(stale.open(QIODevice::WriteOnly));
  stale.write("an older run's picture");
  stale.close();
  RunPublisher publisher(up);
  const QString history = dir_.filePath(QStringLiteral("user/picUpload.dat"));
  publisher.setHistoryPath(history);
  BatchRun run(s);
  run.setJobs(2);
  publisher.attach(run);
  const RunSummary summary = run.run();

  QCOMPARE(summary.saved, 3);
  // The broken picture has its entry and is neither uploaded nor listed.
  QVERIFY(summary.errorText.contains(sources_[1]));
  QVERIFY(!summary.errorText.contains(QStringLiteral("在传输文件时发生错误")));
  QCOMPARE(QDir(server.root() + QStringLiteral("/pics")).entryList(QDir::Files | QDir::Hidden).size(), 3);
  QVERIFY(summary.closingText.startsWith(RunPublisher::uploadClosingText(3, 0)));

  // Every saved file arrived byte-identical.
  const PublishOutcome &out = publisher.outcome();
  QCOMPARE(out.urlsByIndex.size(), 4);
  QVERIFY(out.urlsByIndex[1].isEmpty());
  for (int i : {0, 2, 3}) {
    const QString name = QFileInfo(summary.outputPaths[i]).fileName();
    QVERIFY2(out.urlsByIndex[i].startsWith(QStringLiteral("http://www.example.org/pics/")) &&
                 out.urlsByIndex[i].endsWith(QLatin1Char('_') + name),
             qPrintable(out.urlsByIndex[i]));
    const QString remote = server.root() + QStringLiteral("/pics/") + out.urlsByIndex[i].section(QLatin1Char('/'), -1);
    QCOMPARE(readAll(remote), readAll(summary.outputPaths[i]));
  }

  // The page pairs each address with the caption of its own list entry.
  QCOMPARE(out.linkPagePath, s.outputFolder + QStringLiteral("/PicURL.htm"));
  const QString page = QString::fromUtf8(readAll(out.linkPagePath).mid(3));
  const QString crlf = QStringLiteral("\r\n");
  auto block = [&](int i, const QString &caption) {
    const QString u = out.urlsByIndex[i];
    return QStringLiteral("<br><img src=") + u + QStringLiteral("></img><br>") + crlf +
           QStringLiteral("【图片地址】 <font color=blue>") + u + QStringLiteral("</font><br>") + crlf +
           QStringLiteral("<font color=black>") + caption + QStringLiteral("</font><br><br>") + crlf;
  };
  QCOMPARE(page, linkPageHeader() + crlf + block(0, QStringLiteral("甲&lt;1&gt;")) + block(2, QStringLiteral("丙")) +
                     block(3, QStringLiteral("丁")));
  QCOMPARE(readAll(history),
           (out.urlsByIndex[0] + crlf + out.urlsByIndex[2] + crlf + out.urlsByIndex[3] + crlf).toUtf8());

  // The album: title, the three saved pictures, closing page.
  QVERIFY(out.pdf.ok);
  QCOMPARE(out.pdf.path, s.outputFolder + QStringLiteral("/测试相册.pdf"));
  QVERIFY(
      tool(QStringLiteral("pdfinfo"), {out.pdf.path}).contains(QRegularExpression(QStringLiteral("Pages:\\s+5\\n"))));
  const QString text = tool(QStringLiteral("pdftotext"), {out.pdf.path, QStringLiteral("-")});
  QVERIFY2(text.contains(QStringLiteral("丙")) && !text.contains(QStringLiteral("乙")) &&
               text.contains(QStringLiteral("甲<1>")),
           qPrintable(text));
}

void TestRunPublisher::wrongPasswordLeavesEmptyPage() {
  FtpTestServer server;
  QVERIFY(server.running());
  UploadSettings up;
  up.ftpServer = server.address();
  up.ftpUser = QStringLiteral("kuvo");
  up.ftpPassword = QStringLiteral("wrong");
  ProcessingSettings s = baseSettings(QStringLiteral("wrong"));
  s.files = {sources_[0], sources_[2]};
  s.makePdf = false;
  RunPublisher publisher(up);
  const QString history = dir_.filePath(QStringLiteral("user2/picUpload.dat"));
  publisher.setHistoryPath(history);
  BatchRun run(s);
  publisher.attach(run);
  const RunSummary summary = run.run();
  QCOMPARE(summary.saved, 2);
  QCOMPARE(summary.errorText.count(QStringLiteral("在传输文件时发生错误:(错误代码:2)服务器拒绝登录")), 2);
  // Not "uploaded": the closing text counts what went up and what did not.
  QCOMPARE(summary.closingText, QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹,0张上传到网络,2张上传失败。请注意,在图片处理或上传过程中发生错误。"));
  QVERIFY(!publisher.outcome().pdfTried);
  QCOMPARE(readAll(s.outputFolder + QStringLiteral("/PicURL.htm")),
           "\xEF\xBB\xBF" + (linkPageHeader() + QStringLiteral("\r\n")).toUtf8());
  QVERIFY(!QFileInfo::exists(history));

  // A link page that cannot be written is an error entry of the run.
  s.outputFolder = dir_.filePath(QStringLiteral("nopage"));
  QVERIFY(QDir().mkpath(s.outputFolder + QStringLiteral("/PicURL.htm")));
  BatchRun second(s);
  publisher.attach(second);
  const RunSummary noPage = second.run();
  QVERIFY2(noPage.errorText.contains(s.outputFolder + QStringLiteral("/PicURL.htm在生成网页时发生错误:无法写入文件(")),
           qPrintable(noPage.errorText));
  QVERIFY(publisher.outcome().linkPagePath.isEmpty());
}

QTEST_MAIN(TestRunPublisher)
#include "tst_run_publisher.moc"
