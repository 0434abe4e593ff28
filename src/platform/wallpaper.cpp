#include "platform/wallpaper.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QSettings>
#include <windows.h>
#endif

namespace kuvo {

namespace {

// Runs a desktop tool and waits a little for it; a missing tool or a
// non-zero exit counts as failure.
bool runTool(const QString &program, const QStringList &args, QByteArray *out = nullptr) {
  if (QStandardPaths::findExecutable(program).isEmpty())
    return false;
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(10000)) {
    p.kill();
    p.waitForFinished(1000);
    return false;
  }
  if (out)
    *out = p.readAllStandardOutput();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool setGnomeWallpaper(const QString &path, int style) {
  bool ok = true;
  const QList<QStringList> commands = gnomeWallpaperCommands(path, style);
  for (const QStringList &args : commands) {
    const bool done = runTool(QStringLiteral("gsettings"), args);
    // picture-uri-dark exists only from GNOME 42 on; older schemas lack it.
    if (!done && !args.contains(QStringLiteral("picture-uri-dark")))
      ok = false;
  }
  return ok;
}

// Plasma's wallpaper plug-in: FillMode 0 stretches, 3 tiles, 6 centres.
bool setKdeWallpaper(const QString &path, int style) {
  const int fill = style == 0 ? 3 : style == 2 ? 6 : 0;
  QString url = QUrl::fromLocalFile(path).toString();
  url.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
  const QString script = QStringLiteral("var ds = desktops(); for (var i = 0; i < ds.length; i++) { var d = ds[i];"
                                        " d.wallpaperPlugin = \"org.kde.image\";"
                                        " d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");"
                                        " d.writeConfig(\"Image\", \"%1\"); d.writeConfig(\"FillMode\", %2); }")
                             .arg(url)
                             .arg(fill);
  if (runTool(QStringLiteral("dbus-send"),
              {QStringLiteral("--session"), QStringLiteral("--print-reply"),
               QStringLiteral("--dest=org.kde.plasmashell"), QStringLiteral("--type=method_call"),
               QStringLiteral("/PlasmaShell"), QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
               QStringLiteral("string:") + script}))
    return true;
  return runTool(QStringLiteral("plasma-apply-wallpaperimage"), {path});
}

// Xfce keeps one picture per monitor and workspace: every last-image property
// gets the file and its image-style sibling the style (1 centred, 2 tiled,
// 3 stretched).
bool setXfceWallpaper(const QString &path, int style) {
  QByteArray listing;
  if (!runTool(QStringLiteral("xfconf-query"),
               {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")}, &listing))
    return false;
  const QString xfStyle = QString::number(style == 0 ? 2 : style == 2 ? 1 : 3);
  bool any = false;
  const QStringList props = QString::fromUtf8(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (const QString &raw : props) {
    const QString prop = raw.trimmed();
    if (!prop.endsWith(QStringLiteral("/last-image")))
      continue;
    const QString base = prop.left(prop.size() - int(qstrlen("/last-image")));
    any |= runTool(QStringLiteral("xfconf-query"), {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"),
                                                    QStringLiteral("-p"), prop, QStringLiteral("-s"), path});
    runTool(QStringLiteral("xfconf-query"),
            {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"),
             base + QStringLiteral("/image-style"), QStringLiteral("-s"), xfStyle});
  }
  return any;
}

#ifdef Q_OS_WIN
bool setWindowsWallpaper(const QString &path, int style) {
  // TileWallpaper / WallpaperStyle: tile "1"/"0", stretch "0"/"2", centre "0"/"0".
  QSettings desktop(QStringLiteral("HKEY_CURRENT_USER\\Control Panel\\Desktop"), QSettings::NativeFormat);
  desktop.setValue(QStringLiteral("TileWallpaper"), style == 0 ? QStringLiteral("1") : QStringLiteral("0"));
  desktop.setValue(QStringLiteral("WallpaperStyle"), style == 1 ? QStringLiteral("2") : QStringLiteral("0"));
  desktop.sync();
  std::wstring native = QDir::toNativeSeparators(path).toStdWString();
  return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, native.data(), SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE) != 0;
}
#endif

} // namespace

DesktopKind currentDesktop() {
#ifdef Q_OS_WIN
  return DesktopKind::Windows;
#else
  const QStringList names =
      qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(QLatin1Char(':'), Qt::SkipEmptyParts);
  for (const QString &n : names) {
    if (n == QLatin1String("gnome") || n == QLatin1String("unity") || n == QLatin1String("budgie") ||
        n == QLatin1String("pantheon") || n == QLatin1String("gnome-classic") || n == QLatin1String("ubuntu"))
      return DesktopKind::Gnome;
    if (n == QLatin1String("kde"))
      return DesktopKind::Kde;
    if (n == QLatin1String("xfce"))
      return DesktopKind::Xfce;
  }
  return DesktopKind::Unknown;
#endif
}

QString gnomePictureOption(int style) {
  switch (style) {
  case 0:
    return QStringLiteral("wallpaper");
  case 2:
    return QStringLiteral("centered");
  default:
    return QStringLiteral("stretched");
  }
}

QList<QStringList> gnomeWallpaperCommands(const QString &absolutePath, int style) {
  const QString schema = QStringLiteral("org.gnome.desktop.background");
  const QString uri = QUrl::fromLocalFile(absolutePath).toString(QUrl::FullyEncoded);
  return {
      {QStringLiteral("set"), schema, QStringLiteral("picture-options"), gnomePictureOption(style)},
      {QStringLiteral("set"), schema, QStringLiteral("picture-uri"), uri},
      {QStringLiteral("set"), schema, QStringLiteral("picture-uri-dark"), uri},
  };
}

bool setDesktopWallpaper(const QString &path, int style) {
  if (path.isEmpty())
    return false;
  const QString absolute = QFileInfo(path).absoluteFilePath();
#ifdef Q_OS_WIN
  return setWindowsWallpaper(absolute, style);
#else
  switch (currentDesktop()) {
  case DesktopKind::Kde:
    return setKdeWallpaper(absolute, style);
  case DesktopKind::Xfce:
    return setXfceWallpaper(absolute, style);
  default:
    // GNOME and the desktops that read its keys (and a desktop we do not
    // know, where GNOME's keys are the best guess).
    return setGnomeWallpaper(absolute, style);
  }
#endif
}

QString wallpaperFolder() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (dir.isEmpty())
    dir = QDir::homePath() + QStringLiteral("/.kuvo");
  dir += QStringLiteral("/wallpaper");
  QDir().mkpath(dir);
  return dir;
}

QString nextWallpaperFilePath() {
  const QString dir = wallpaperFolder();
  QDir folder(dir);
  const QStringList old = folder.entryList({QStringLiteral("SWPIC*.bmp")}, QDir::Files);
  for (const QString &name : old)
    folder.remove(name);
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
  QString name = QStringLiteral("SWPIC") + stamp + QStringLiteral(".bmp");
  for (int n = 1; old.contains(name) || folder.exists(name); ++n)
    name = QStringLiteral("SWPIC") + stamp + QLatin1Char('_') + QString::number(n) + QStringLiteral(".bmp");
  return dir + QLatin1Char('/') + name;
}

} // namespace kuvo
