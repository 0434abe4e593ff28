#pragma once
// Setting a picture file as the desktop wallpaper, tiled, stretched or
// centred, the way each Linux desktop (or Windows) does it, and reading the
// value back to know it took. The calls run desktop tools and wait for them:
// call setDesktopWallpaper off the window thread.
#include <QString>
#include <QStringList>

namespace kuvo {

// The viewer's menu order: 0 "平铺", 1 "拉伸", 2 "居中".
enum class WallpaperStyle { Tile = 0, Stretch = 1, Center = 2 };

// The desktop family the wallpaper call talks to. Other: no desktop we know;
// the root window is painted with feh or xwallpaper when one is installed.
enum class DesktopKind { Gnome, Mate, Cinnamon, Xfce, Kde, Lxqt, Windows, Other };

// The desktop for XDG_CURRENT_DESKTOP's names (colon-separated, the first
// known one wins) and, when none is known, for the names of the running
// programs (a desktop's shell or panel).
DesktopKind desktopFromNames(const QString &xdgCurrentDesktop, const QStringList &runningPrograms);

// desktopFromNames for this session (the running programs from /proc).
// Windows builds always report Windows.
DesktopKind currentDesktop();

// The desktop's name as the user knows it ("GNOME", "KDE Plasma", ...).
QString desktopName(DesktopKind kind);

// The value of org.gnome.desktop.background picture-options for a style:
// "wallpaper", "stretched" or "centered". Out-of-range styles stretch.
QString gnomePictureOption(int style);

// What became of a wallpaper request. reason says in Chinese why it failed
// (empty when it worked).
struct WallpaperResult {
  bool ok = false;
  DesktopKind desktop = DesktopKind::Other;
  QString reason;
};

// Records the picture and the style in the current desktop's settings, asks
// the desktop to apply them and reads the settings back. Blocks for as long
// as the desktop's tools take (each is given 10 seconds).
WallpaperResult setDesktopWallpaper(const QString &path, int style);
WallpaperResult setDesktopWallpaper(const QString &path, int style, DesktopKind desktop);

// The status-line text for a result: "【提示】…" when it worked, else
// "【操作错误】…" with the reason.
QString wallpaperStatusText(const WallpaperResult &result, int style);

// A per-user folder whose files outlive the viewer and the program's scratch
// files: wallpaper pictures made from non-BMP originals and from processed
// previews are written here.
QString wallpaperFolder();

// A fresh path in wallpaperFolder() for the next wallpaper BMP; the name
// changes each time because desktops skip a wallpaper whose address did not
// change.
QString nextWallpaperFilePath();

// Removes the wallpaper files the program made earlier, all but keep, so one
// stays at a time. setDesktopWallpaper calls it once the desktop took the new
// picture: a failed request leaves the old wallpaper's file in place.
void removeOldWallpaperFiles(const QString &keep);

} // namespace kuvo
