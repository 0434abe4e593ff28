#pragma once
// One function per desktop: each records the picture and style the way that
// desktop reads them, reads the value back, and returns an empty text on
// success or the reason it failed (Chinese). path is absolute.
#include <QString>

namespace kuvo::wallpaper {

// GNOME and Unity (org.gnome.desktop.background), MATE (org.mate.background)
// and Cinnamon (org.cinnamon.desktop.background), all through gsettings.
QString setGnome(const QString &path, int style);
QString setMate(const QString &path, int style);
QString setCinnamon(const QString &path, int style);

// Xfce: xfconf-query, every monitor's and workspace's last-image.
QString setXfce(const QString &path, int style);

// KDE Plasma: the shell's scripting call over D-Bus, else
// plasma-apply-wallpaperimage.
QString setKde(const QString &path, int style);

// LXQt: pcmanfm-qt, read back from its settings file.
QString setLxqt(const QString &path, int style);

// Any X desktop: the root window painted by feh or xwallpaper.
QString setRootWindow(const QString &path, int style);

} // namespace kuvo::wallpaper
