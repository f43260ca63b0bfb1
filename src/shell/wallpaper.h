#pragma once

#include "imaging/codec.h"
#include "shell/desktopwallpaper.h"

#include <QColor>
#include <QString>

namespace mv {

inline constexpr const char *WallpaperFileName = "MVWallpaper.BMP";

// WindowsFolder() + "MVWallpaper.BMP": the one file every wallpaper command overwrites.
QString WallpaperPath();

// Where a picture has transparent parts, the wallpaper shows this; metafiles are pages on white.
inline const QColor WallpaperCanvas = Qt::black;

// The picture as shown (first frame, turned as its EXIF orientation says) written to
// target as a Windows bitmap; target is replaced only once the bitmap is complete.
[[nodiscard]] GpStatus WriteWallpaperBitmap(const QString &imagePath, const QString &target);

enum class WallpaperStatus {
    Ok,
    NotDecoded,   // the picture does not load: nothing was touched
    NotWritten,   // the bitmap could not be written: the old file and wallpaper stay
    NoSetter,     // nothing here can set a wallpaper: nothing was touched
    SetterFailed, // the tool refused: the bitmap was replaced, the setting may be the old one
};

struct WallpaperResult {
    WallpaperStatus status = WallpaperStatus::Ok;
    QString tool; // the program that set it, or tried to
};

// The wallpaper command: the picture at imagePath becomes the desktop's wallpaper through
// the bitmap at target. currentDesktop is XDG_CURRENT_DESKTOP's value.
[[nodiscard]] WallpaperResult SetWallpaper(const QString &imagePath, WallpaperStyle style,
                                           const QString &currentDesktop, const QString &target);
// The same on this desktop with WallpaperPath().
[[nodiscard]] WallpaperResult SetWallpaper(const QString &imagePath, WallpaperStyle style);

} // namespace mv
