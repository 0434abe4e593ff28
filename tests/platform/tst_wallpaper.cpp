// The wallpaper routine against GSettings' keyfile backend in a temporary
// folder, so the test never touches the real desktop; and the per-user
// wallpaper files.
#include "platform/wallpaper.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace kuvo;

class TestWallpaper : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void gnomeKeys_data();
  void gnomeKeys();
  void desktopDetection_data();
  void desktopDetection();
  void oneWallpaperFileAtATime();

private:
  QString gsettingsGet(const QString &key);
  QTemporaryDir dir_;
  bool haveGsettings_ = false;
  QString skipReason_;
};

void TestWallpaper::initTestCase() {
  QVERIFY(dir_.isValid());
  qputenv("HOME", dir_.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (dir_.path() + QStringLiteral("/config")).toUtf8());
  qputenv("XDG_DATA_HOME", (dir_.path() + QStringLiteral("/data")).toUtf8());
  qputenv("GSETTINGS_BACKEND", "keyfile");
  QCoreApplication::setApplicationName(QStringLiteral("kuvo-test"));
  if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).isEmpty()) {
    skipReason_ = QStringLiteral("gsettings is not installed (package libglib2.0-bin)");
    return;
  }
  QProcess p;
  p.start(QStringLiteral("gsettings"), {QStringLiteral("list-schemas")});
  p.waitForFinished(10000);
  if (!QString::fromUtf8(p.readAllStandardOutput())
           .split(QLatin1Char('\n'))
           .contains(QStringLiteral("org.gnome.desktop.background"))) {
    skipReason_ = QStringLiteral("schema org.gnome.desktop.background is missing (package gsettings-desktop-schemas)");
    return;
  }
  haveGsettings_ = true;
}

QString TestWallpaper::gsettingsGet(const QString &key) {
  QProcess p;
  p.start(QStringLiteral("gsettings"), {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.background"), key});
  p.waitForFinished(10000);
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

void TestWallpaper::gnomeKeys_data() {
  QTest::addColumn<int>("style");
  QTest::addColumn<QString>("option");
  QTest::newRow("平铺") << 0 << "wallpaper";
  QTest::newRow("拉伸") << 1 << "stretched";
  QTest::newRow("居中") << 2 << "centered";
}

void TestWallpaper::gnomeKeys() {
  QFETCH(int, style);
  QFETCH(QString, option);
  QCOMPARE(gnomePictureOption(style), option);
  if (!haveGsettings_)
    QSKIP(qPrintable(skipReason_));
  qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
  // A name with a blank and Chinese characters must arrive as a proper URI.
  const QString path = dir_.path() + QStringLiteral("/壁纸 %1.bmp").arg(style);
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.close();
  QVERIFY(setDesktopWallpaper(path, style));
  QCOMPARE(gsettingsGet(QStringLiteral("picture-options")), QLatin1Char('\'') + option + QLatin1Char('\''));
  const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
  QVERIFY(uri.startsWith(QStringLiteral("file:///")));
  QVERIFY(!uri.contains(QLatin1Char(' ')));
  QCOMPARE(gsettingsGet(QStringLiteral("picture-uri")), QLatin1Char('\'') + uri + QLatin1Char('\''));
  QCOMPARE(QUrl(uri).toLocalFile(), path);
  QCOMPARE(gsettingsGet(QStringLiteral("picture-uri-dark")), QLatin1Char('\'') + uri + QLatin1Char('\''));
  // The values went to the temporary keyfile, not to the user's desktop.
  QVERIFY(QFileInfo::exists(dir_.path() + QStringLiteral("/config/glib-2.0/settings/keyfile")));
}

void TestWallpaper::desktopDetection_data() {
  QTest::addColumn<QByteArray>("value");
  QTest::addColumn<int>("kind");
  QTest::newRow("GNOME") << QByteArray("GNOME") << int(DesktopKind::Gnome);
  QTest::newRow("Ubuntu's list") << QByteArray("ubuntu:GNOME") << int(DesktopKind::Gnome);
  QTest::newRow("KDE") << QByteArray("KDE") << int(DesktopKind::Kde);
  QTest::newRow("Xfce") << QByteArray("XFCE") << int(DesktopKind::Xfce);
  QTest::newRow("unknown first, known later") << QByteArray("X-Foo:KDE") << int(DesktopKind::Kde);
  QTest::newRow("none") << QByteArray("") << int(DesktopKind::Unknown);
}

void TestWallpaper::desktopDetection() {
#ifdef Q_OS_WIN
  QSKIP("Windows is always Windows");
#endif
  QFETCH(QByteArray, value);
  qputenv("XDG_CURRENT_DESKTOP", value);
  QTEST(int(currentDesktop()), "kind");
}

void TestWallpaper::oneWallpaperFileAtATime() {
  const QString first = nextWallpaperFilePath();
  QVERIFY(first.startsWith(dir_.path() + QStringLiteral("/data/")));
  QVERIFY(first.endsWith(QStringLiteral(".bmp")));
  QFile f(first);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.close();
  const QString second = nextWallpaperFilePath();
  QVERIFY(second != first); // desktops ignore a wallpaper whose address did not change
  QVERIFY(!QFileInfo::exists(first));
  QCOMPARE(QFileInfo(second).absolutePath(), QFileInfo(first).absolutePath());
}

QTEST_GUILESS_MAIN(TestWallpaper)
#include "tst_wallpaper.moc"
