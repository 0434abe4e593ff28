// The wallpaper back ends against fakes of each desktop's tool (fake_tools/,
// put on PATH), and GNOME's against the real gsettings with dconf inside a
// D-Bus session the test starts and stops; nothing touches the real desktop.
// Each fake can also "lie": exit 0 and store nothing, as gsettings does under
// dconf without a session bus.
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

#include <csignal>

using namespace kuvo;

namespace {

// Copies a fake from tests/platform/fake_tools into dir, executable.
void installFake(const QString &name, const QString &dir) {
  const QString target = dir + QLatin1Char('/') + name;
  QVERIFY(QFile::copy(QStringLiteral(KUVO_SOURCE_DIR "/tests/platform/fake_tools/") + name, target));
  QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QString readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TestWallpaper : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void cleanupTestCase();
  void backEnds_data();
  void backEnds();
  void desktopDetection_data();
  void desktopDetection();
  void failedRequestKeepsTheOldFile();

private:
  QString gsettingsGet(const QString &key);
  void startSessionBus();
  QTemporaryDir dir_;
  QString state_, fakeBin_, fakeGsettingsBin_, emptyBin_, systemPath_;
  QProcess bus_;     // dbus-run-session
  qint64 busChild_ = 0; // the command it runs; ending it ends the session
  QString busAddress_;
  QString gsettingsSkip_;
};

void TestWallpaper::initTestCase() {
  QVERIFY(dir_.isValid());
  qputenv("HOME", dir_.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (dir_.path() + QStringLiteral("/config")).toUtf8());
  qputenv("XDG_DATA_HOME", (dir_.path() + QStringLiteral("/data")).toUtf8());
  QCoreApplication::setApplicationName(QStringLiteral("kuvo-test"));
  state_ = dir_.path() + QStringLiteral("/state");
  fakeBin_ = dir_.path() + QStringLiteral("/bin");
  fakeGsettingsBin_ = dir_.path() + QStringLiteral("/gbin");
  emptyBin_ = dir_.path() + QStringLiteral("/empty");
  for (const QString &d : {state_, fakeBin_, fakeGsettingsBin_, emptyBin_})
    QVERIFY(QDir().mkpath(d));
  qputenv("FAKE_STATE", state_.toUtf8());
  installFake(QStringLiteral("gsettings"), fakeGsettingsBin_);
  for (const char *tool : {"xfconf-query", "dbus-send", "pcmanfm-qt", "feh"})
    installFake(QLatin1String(tool), fakeBin_);
  systemPath_ = qEnvironmentVariable("PATH");

  if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).isEmpty())
    gsettingsSkip_ = QStringLiteral("gsettings is not installed (package libglib2.0-bin)");
  else if (QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty())
    gsettingsSkip_ = QStringLiteral("dbus-run-session is not installed (package dbus-bin)");
  else
    startSessionBus();
}

// A private session bus: dbus-run-session runs a shell that reports its PID
// and the bus address, then sleeps; dconf-service is started by the bus.
void TestWallpaper::startSessionBus() {
  const QString info = dir_.path() + QStringLiteral("/bus-info");
  bus_.start(QStringLiteral("dbus-run-session"),
             {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
              QStringLiteral("echo \"$$ $DBUS_SESSION_BUS_ADDRESS\" > '%1.tmp' && mv '%1.tmp' '%1' && exec sleep 600")
                  .arg(info)});
  QVERIFY(bus_.waitForStarted(10000));
  QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(info), 10000);
  const QStringList parts = readAll(info).trimmed().split(QLatin1Char(' '));
  QCOMPARE(parts.size(), 2);
  busChild_ = parts[0].toLongLong();
  busAddress_ = parts[1];
  QVERIFY(busChild_ > 0);
}

void TestWallpaper::cleanupTestCase() {
  if (busChild_ > 0)
    ::kill(pid_t(busChild_), SIGTERM);
  if (bus_.state() != QProcess::NotRunning && !bus_.waitForFinished(5000)) {
    bus_.kill();
    bus_.waitForFinished(2000);
  }
}

QString TestWallpaper::gsettingsGet(const QString &key) {
  QProcess p;
  p.start(QStringLiteral("gsettings"), {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.background"), key});
  p.waitForFinished(10000);
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// tool: "fake" (the fakes on PATH), "dconf" (real gsettings inside the test's
// session bus), "no bus" (real gsettings, dconf, a bus address that leads
// nowhere) or "none" (an empty PATH).
void TestWallpaper::backEnds_data() {
  QTest::addColumn<int>("desktop");
  QTest::addColumn<QString>("tool");
  QTest::addColumn<bool>("lie");
  QTest::addColumn<int>("style");
  QTest::addColumn<QString>("reason"); // part of the failure text; empty: success
  const int gnome = int(DesktopKind::Gnome), mate = int(DesktopKind::Mate), cin = int(DesktopKind::Cinnamon),
            xfce = int(DesktopKind::Xfce), kde = int(DesktopKind::Kde), lxqt = int(DesktopKind::Lxqt),
            other = int(DesktopKind::Other);
  QTest::newRow("GNOME dconf 平铺") << gnome << "dconf" << false << 0 << "";
  QTest::newRow("GNOME dconf 居中") << gnome << "dconf" << false << 2 << "";
  QTest::newRow("GNOME dconf without a bus") << gnome << "no bus" << false << 1 << "读回";
  QTest::newRow("MATE 拉伸") << mate << "fake" << false << 1 << "";
  QTest::newRow("MATE lying") << mate << "fake" << true << 1 << "failed to commit";
  QTest::newRow("Cinnamon 居中") << cin << "fake" << false << 2 << "";
  QTest::newRow("Xfce two monitors 平铺") << xfce << "fake" << false << 0 << "";
  QTest::newRow("Xfce lying") << xfce << "fake" << true << 0 << "xfconf-query";
  QTest::newRow("Xfce missing") << xfce << "none" << false << 0 << "找不到程序 xfconf-query";
  QTest::newRow("KDE 居中") << kde << "fake" << false << 2 << "";
  QTest::newRow("KDE lying") << kde << "fake" << true << 2 << "Plasma";
  QTest::newRow("KDE missing") << kde << "none" << false << 2 << "D-Bus";
  QTest::newRow("LXQt 平铺") << lxqt << "fake" << false << 0 << "";
  QTest::newRow("LXQt lying") << lxqt << "fake" << true << 0 << "pcmanfm-qt";
  QTest::newRow("feh 拉伸") << other << "fake" << false << 1 << "";
  QTest::newRow("feh lying") << other << "fake" << true << 1 << "feh";
  QTest::newRow("no tool at all") << other << "none" << false << 1 << "feh 或 xwallpaper";
}

void TestWallpaper::backEnds() {
  QFETCH(int, desktop);
  QFETCH(QString, tool);
  QFETCH(bool, lie);
  QFETCH(int, style);
  QFETCH(QString, reason);
  const bool real = tool == QLatin1String("dconf") || tool == QLatin1String("no bus");
  if (real && !gsettingsSkip_.isEmpty())
    QSKIP(qPrintable(gsettingsSkip_));
  QDir(state_).removeRecursively();
  QDir().mkpath(state_ + QStringLiteral("/xfconf"));
  QDir(dir_.path() + QStringLiteral("/config/pcmanfm-qt")).removeRecursively();
  QFile::remove(dir_.path() + QStringLiteral("/.fehbg"));
  // Two monitors, each with a picture already.
  for (const char *m : {"monitor0", "monitorHDMI-1"}) {
    QFile f(state_ + QStringLiteral("/xfconf/:backdrop:screen0:%1:workspace0:last-image").arg(QLatin1String(m)));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("/usr/share/backgrounds/old.png");
  }
  qputenv("FAKE_LIE", lie ? "1" : "");
  qputenv("GSETTINGS_BACKEND", "dconf");
  qputenv("DBUS_SESSION_BUS_ADDRESS", (tool == QLatin1String("dconf") ? busAddress_
                                       : QStringLiteral("unix:path=") + dir_.path() + QStringLiteral("/no-bus"))
                                          .toUtf8());
  const QString path = dir_.path() + QStringLiteral("/壁纸 %1.bmp").arg(style);
  QFile picture(path);
  QVERIFY(picture.open(QIODevice::WriteOnly));
  picture.close();
  if (tool == QLatin1String("none"))
    qputenv("PATH", emptyBin_.toUtf8());
  else if (real)
    qputenv("PATH", (fakeBin_ + QLatin1Char(':') + systemPath_).toUtf8());
  else
    qputenv("PATH", (fakeGsettingsBin_ + QLatin1Char(':') + fakeBin_ + QLatin1Char(':') + systemPath_).toUtf8());

  const WallpaperResult result = setDesktopWallpaper(path, style, DesktopKind(desktop));
  qputenv("PATH", systemPath_.toUtf8());
  QCOMPARE(result.reason.isEmpty(), reason.isEmpty());
  QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
  QCOMPARE(result.ok, reason.isEmpty());
  const QString status = wallpaperStatusText(result, style);
  QVERIFY(status.startsWith(result.ok ? QStringLiteral("【提示】") : QStringLiteral("【操作错误】")));
  if (!result.ok)
    return;

  // What the desktop would now read, checked apart from the back end's own read-back.
  const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
  const QString option = gnomePictureOption(style);
  switch (DesktopKind(desktop)) {
  case DesktopKind::Gnome:
    QCOMPARE(gsettingsGet(QStringLiteral("picture-uri")), QLatin1Char('\'') + uri + QLatin1Char('\''));
    QCOMPARE(gsettingsGet(QStringLiteral("picture-options")), QLatin1Char('\'') + option + QLatin1Char('\''));
    QVERIFY(QFileInfo::exists(dir_.path() + QStringLiteral("/config/dconf/user")));
    break;
  case DesktopKind::Mate:
    QCOMPARE(readAll(state_ + QStringLiteral("/gsettings/org.mate.background.picture-filename")),
             QLatin1Char('\'') + path + QLatin1Char('\''));
    QCOMPARE(readAll(state_ + QStringLiteral("/gsettings/org.mate.background.picture-options")),
             QLatin1Char('\'') + option + QLatin1Char('\''));
    break;
  case DesktopKind::Cinnamon:
    QCOMPARE(readAll(state_ + QStringLiteral("/gsettings/org.cinnamon.desktop.background.picture-uri")),
             QLatin1Char('\'') + uri + QLatin1Char('\''));
    break;
  case DesktopKind::Xfce:
    for (const char *m : {"monitor0", "monitorHDMI-1"}) {
      const QString base = state_ + QStringLiteral("/xfconf/:backdrop:screen0:%1:workspace0:").arg(QLatin1String(m));
      QCOMPARE(readAll(base + QStringLiteral("last-image")), path);
      QCOMPARE(readAll(base + QStringLiteral("image-style")), QStringLiteral("2"));
    }
    break;
  case DesktopKind::Kde:
    QVERIFY(readAll(state_ + QStringLiteral("/plasma")).contains(QStringLiteral("writeConfig(\"FillMode\", 6)")));
    break;
  case DesktopKind::Lxqt:
    QVERIFY(readAll(dir_.path() + QStringLiteral("/config/pcmanfm-qt/lxqt/settings.conf"))
                .contains(QStringLiteral("WallpaperMode=tile")));
    break;
  default:
    QVERIFY(readAll(dir_.path() + QStringLiteral("/.fehbg")).contains(QStringLiteral("--bg-scale")));
  }
}

void TestWallpaper::desktopDetection_data() {
  QTest::addColumn<QString>("xdg");
  QTest::addColumn<QStringList>("running");
  QTest::addColumn<int>("kind");
  QTest::newRow("GNOME") << "GNOME" << QStringList() << int(DesktopKind::Gnome);
  QTest::newRow("Ubuntu's list") << "ubuntu:GNOME" << QStringList() << int(DesktopKind::Gnome);
  QTest::newRow("Unity") << "Unity" << QStringList() << int(DesktopKind::Gnome);
  QTest::newRow("MATE") << "MATE" << QStringList() << int(DesktopKind::Mate);
  QTest::newRow("Cinnamon") << "X-Cinnamon" << QStringList() << int(DesktopKind::Cinnamon);
  QTest::newRow("Xfce") << "XFCE" << QStringList() << int(DesktopKind::Xfce);
  QTest::newRow("LXQt") << "LXQt" << QStringList() << int(DesktopKind::Lxqt);
  QTest::newRow("unknown first, known later") << "X-Foo:KDE" << QStringList() << int(DesktopKind::Kde);
  QTest::newRow("name beats programs") << "MATE" << QStringList{"plasmashell"} << int(DesktopKind::Mate);
  QTest::newRow("unset, Plasma running") << "" << QStringList{"bash", "plasmashell"} << int(DesktopKind::Kde);
  QTest::newRow("unset, xfdesktop running") << "" << QStringList{"xfdesktop", "Xvfb"} << int(DesktopKind::Xfce);
  QTest::newRow("nothing known") << "i3" << QStringList{"i3", "bash"} << int(DesktopKind::Other);
}

void TestWallpaper::desktopDetection() {
  QFETCH(QString, xdg);
  QFETCH(QStringList, running);
  QTEST(int(desktopFromNames(xdg, running)), "kind");
}

// The file of the wallpaper on show is removed only once a new one took.
void TestWallpaper::failedRequestKeepsTheOldFile() {
  const QString first = nextWallpaperFilePath();
  QVERIFY(first.startsWith(dir_.path() + QStringLiteral("/data/")));
  QFile f(first);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.close();
  const QString second = nextWallpaperFilePath();
  QVERIFY(second != first); // desktops ignore a wallpaper whose address did not change
  QVERIFY(QFile::copy(first, second));
  qputenv("PATH", emptyBin_.toUtf8());
  QVERIFY(!setDesktopWallpaper(second, 1, DesktopKind::Other).ok);
  QVERIFY(QFileInfo::exists(first));
  qputenv("PATH", (fakeBin_ + QLatin1Char(':') + systemPath_).toUtf8());
  qputenv("FAKE_LIE", "");
  QVERIFY(setDesktopWallpaper(second, 1, DesktopKind::Other).ok);
  qputenv("PATH", systemPath_.toUtf8());
  QVERIFY(!QFileInfo::exists(first));
  QVERIFY(QFileInfo::exists(second));
}

QTEST_GUILESS_MAIN(TestWallpaper)
#include "tst_wallpaper.moc"
