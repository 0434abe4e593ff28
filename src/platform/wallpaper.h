#pragma once
// Setting a picture file as the desktop wallpaper, tiled, stretched or
// centred, on the desktops we know how to reach.
#include <QString>
#include <QStringList>

namespace kuvo {

// The viewer's menu order: 0 "平铺", 1 "拉伸", 2 "居中".
enum class WallpaperStyle { Tile = 0, Stretch = 1, Center = 2 };

// The desktop family the wallpaper call talks to.
enum class DesktopKind { Gnome, Kde, Xfce, Windows, Unknown };

// Detects the desktop from XDG_CURRENT_DESKTOP (a colon-separated list; the
// first known name wins). GNOME-like desktops (Unity, Budgie, Pantheon) count
// as GNOME; Windows builds always report Windows.
DesktopKind currentDesktop();

// The value of org.gnome.desktop.background picture-options for a style:
// "wallpaper", "stretched" or "centered". Out-of-range styles stretch.
QString gnomePictureOption(int style);

// The gsettings command lines (arguments after "gsettings") that set the
// picture and its style on GNOME.
QList<QStringList> gnomeWallpaperCommands(const QString &absolutePath, int style);

// Records the picture and the style in the desktop's settings and asks the
// desktop to apply them. True when the desktop accepted the change as far as
// we can tell; the user is not told either way.
bool setDesktopWallpaper(const QString &path, int style);

// A per-user folder whose files outlive the viewer and the program's scratch
// files: wallpaper pictures made from non-BMP originals and from processed
// previews are written here.
QString wallpaperFolder();

// A fresh path in wallpaperFolder() for the next wallpaper BMP. Earlier
// wallpaper files made by the program are removed, so one stays at a time; the
// name changes each time because desktops skip a wallpaper whose address did
// not change.
QString nextWallpaperFilePath();

} // namespace kuvo
