#include "platform/wallpaper.h"

#include "platform/wallpaper_backends.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QSettings>
#include <windows.h>
#endif

namespace kuvo {

namespace {

#ifdef Q_OS_WIN
QString setWindowsWallpaper(const QString &path, int style) {
  // TileWallpaper / WallpaperStyle: tile "1"/"0", stretch "0"/"2", centre "0"/"0".
  QSettings desktop(QStringLiteral("HKEY_CURRENT_USER\\Control Panel\\Desktop"), QSettings::NativeFormat);
  desktop.setValue(QStringLiteral("TileWallpaper"), style == 0 ? QStringLiteral("1") : QStringLiteral("0"));
  desktop.setValue(QStringLiteral("WallpaperStyle"), style == 1 ? QStringLiteral("2") : QStringLiteral("0"));
  desktop.sync();
  std::wstring native = QDir::toNativeSeparators(path).toStdWString();
  if (!SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, native.data(), SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE))
    return QStringLiteral("系统拒绝了这张壁纸（错误 %1）").arg(GetLastError());
  return QString();
}
#else
// The programs whose running marks a desktop, for sessions that do not set
// XDG_CURRENT_DESKTOP (a desktop started by hand or over ssh -X).
QStringList runningProgramNames() {
  QStringList names;
  const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString &pid : pids) {
    if (pid.isEmpty() || !pid.front().isDigit())
      continue;
    QFile comm(QStringLiteral("/proc/") + pid + QStringLiteral("/comm"));
    if (comm.open(QIODevice::ReadOnly))
      names.append(QString::fromLocal8Bit(comm.readAll()).trimmed());
  }
  return names;
}
#endif

} // namespace

DesktopKind desktopFromNames(const QString &xdgCurrentDesktop, const QStringList &runningPrograms) {
  const QStringList names = xdgCurrentDesktop.toLower().split(QLatin1Char(':'), Qt::SkipEmptyParts);
  for (const QString &n : names) {
    if (n == QLatin1String("gnome") || n == QLatin1String("unity") || n == QLatin1String("gnome-classic") ||
        n == QLatin1String("ubuntu") || n == QLatin1String("budgie") || n == QLatin1String("pantheon"))
      return DesktopKind::Gnome;
    if (n == QLatin1String("mate"))
      return DesktopKind::Mate;
    if (n == QLatin1String("x-cinnamon") || n == QLatin1String("cinnamon"))
      return DesktopKind::Cinnamon;
    if (n == QLatin1String("xfce"))
      return DesktopKind::Xfce;
    if (n == QLatin1String("kde"))
      return DesktopKind::Kde;
    if (n == QLatin1String("lxqt"))
      return DesktopKind::Lxqt;
  }
  // Shells first: a Plasma or GNOME session may also run other desktops' tools.
  const QList<QPair<QString, DesktopKind>> marks = {
      {QStringLiteral("plasmashell"), DesktopKind::Kde},   {QStringLiteral("gnome-shell"), DesktopKind::Gnome},
      {QStringLiteral("cinnamon"), DesktopKind::Cinnamon}, {QStringLiteral("mate-panel"), DesktopKind::Mate},
      {QStringLiteral("xfdesktop"), DesktopKind::Xfce},    {QStringLiteral("lxqt-panel"), DesktopKind::Lxqt},
      {QStringLiteral("pcmanfm-qt"), DesktopKind::Lxqt},
  };
  for (const auto &[program, kind] : marks)
    if (runningPrograms.contains(program))
      return kind;
  return DesktopKind::Other;
}

DesktopKind currentDesktop() {
#ifdef Q_OS_WIN
  return DesktopKind::Windows;
#else
  const QString xdg = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
  const DesktopKind named = desktopFromNames(xdg, {});
  return named != DesktopKind::Other ? named : desktopFromNames(QString(), runningProgramNames());
#endif
}

QString desktopName(DesktopKind kind) {
  switch (kind) {
  case DesktopKind::Gnome:
    return QStringLiteral("GNOME");
  case DesktopKind::Mate:
    return QStringLiteral("MATE");
  case DesktopKind::Cinnamon:
    return QStringLiteral("Cinnamon");
  case DesktopKind::Xfce:
    return QStringLiteral("Xfce");
  case DesktopKind::Kde:
    return QStringLiteral("KDE Plasma");
  case DesktopKind::Lxqt:
    return QStringLiteral("LXQt");
  case DesktopKind::Windows:
    return QStringLiteral("Windows");
  case DesktopKind::Other:
    break;
  }
  return QStringLiteral("X 桌面");
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

WallpaperResult setDesktopWallpaper(const QString &path, int style) {
  return setDesktopWallpaper(path, style, currentDesktop());
}

WallpaperResult setDesktopWallpaper(const QString &path, int style, DesktopKind desktop) {
  WallpaperResult result;
  result.desktop = desktop;
  if (path.isEmpty() || !QFileInfo::exists(path)) {
    result.reason = QStringLiteral("没有可用作壁纸的图片文件");
    return result;
  }
  const QString absolute = QFileInfo(path).absoluteFilePath();
  switch (desktop) {
  case DesktopKind::Gnome:
    result.reason = wallpaper::setGnome(absolute, style);
    break;
  case DesktopKind::Mate:
    result.reason = wallpaper::setMate(absolute, style);
    break;
  case DesktopKind::Cinnamon:
    result.reason = wallpaper::setCinnamon(absolute, style);
    break;
  case DesktopKind::Xfce:
    result.reason = wallpaper::setXfce(absolute, style);
    break;
  case DesktopKind::Kde:
    result.reason = wallpaper::setKde(absolute, style);
    break;
  case DesktopKind::Lxqt:
    result.reason = wallpaper::setLxqt(absolute, style);
    break;
  case DesktopKind::Windows:
#ifdef Q_OS_WIN
    result.reason = setWindowsWallpaper(absolute, style);
#else
    result.reason = QStringLiteral("这不是 Windows 系统");
#endif
    break;
  case DesktopKind::Other:
    result.reason = wallpaper::setRootWindow(absolute, style);
    break;
  }
  result.ok = result.reason.isEmpty();
  if (result.ok)
    removeOldWallpaperFiles(absolute);
  return result;
}

QString wallpaperStatusText(const WallpaperResult &result, int style) {
  static const char *const styles[] = {"平铺", "拉伸", "居中"};
  const QString styleName = QString::fromUtf8(styles[style >= 0 && style <= 2 ? style : 1]);
  if (result.ok)
    return QStringLiteral("【提示】已设为桌面壁纸（%1，%2）。").arg(desktopName(result.desktop), styleName);
  return QStringLiteral("【操作错误】设置桌面壁纸失败（%1）：%2。").arg(desktopName(result.desktop), result.reason);
}

QString wallpaperFolder() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (dir.isEmpty())
    dir = QDir::homePath() + QStringLiteral("/.kuvo");
  dir += QStringLiteral("/wallpaper");
  QDir().mkpath(dir);
  return dir;
}

void removeOldWallpaperFiles(const QString &keep) {
  QDir folder(wallpaperFolder());
  const QStringList old = folder.entryList({QStringLiteral("SWPIC*.bmp")}, QDir::Files);
  for (const QString &name : old)
    if (QFileInfo(folder.filePath(name)).absoluteFilePath() != QFileInfo(keep).absoluteFilePath())
      folder.remove(name);
}

QString nextWallpaperFilePath() {
  const QString dir = wallpaperFolder();
  QDir folder(dir);
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
  QString name = QStringLiteral("SWPIC") + stamp + QStringLiteral(".bmp");
  for (int n = 1; folder.exists(name); ++n)
    name = QStringLiteral("SWPIC") + stamp + QLatin1Char('_') + QString::number(n) + QStringLiteral(".bmp");
  return dir + QLatin1Char('/') + name;
}

} // namespace kuvo
