#pragma once

#include <QString>

namespace mv {

// How the picture covers the desktop: the three wallpaper commands.
enum class WallpaperStyle { Centre, Tile, Stretch };

// The desktops whose own wallpaper setting we know; the others get a fallback setter.
enum class DesktopKind { Other, Gnome, Cinnamon, Mate, Xfce, Kde };

// From XDG_CURRENT_DESKTOP ("ubuntu:GNOME", "X-Cinnamon", "KDE"...), names compared without case.
DesktopKind DetectDesktop(const QString &currentDesktop);

// The program that sets the wallpaper on that desktop: the desktop's own tool when installed,
// otherwise feh or xwallpaper when installed; empty when there is none.
QString WallpaperTool(DesktopKind desktop);

// Makes the file the wallpaper through the tool WallpaperTool chose. True when the tool
// accepted every setting.
[[nodiscard]] bool ApplyWallpaper(DesktopKind desktop, const QString &tool, const QString &file, WallpaperStyle style);

// A text as a GVariant string literal, the form gsettings reads its values in.
QString GVariantString(const QString &text);
// The script the Plasma shell runs to give every desktop the picture.
QString PlasmaWallpaperScript(const QString &fileUrl, WallpaperStyle style);

} // namespace mv
