#include "shell/wallpaper.h"

#include "app/paths.h"
#include "imaging/gdiplus.h"

#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

namespace mv {

namespace {

// The picture flattened onto its background: a bitmap holds no transparency.
GpStatus DecodeWallpaper(const QString &imagePath, QImage &picture)
{
    GpImage image = GpImage::LoadFromFile(imagePath);
    if (!image.IsLoaded())
        return image.Status();
    QImage frame;
    const GpStatus decoded = image.DecodeFrame(QSize(), frame);
    if (decoded != GpStatus::Ok)
        return decoded;
    if (frame.isNull())
        return GpStatus::GenericError;
    picture = QImage(frame.size(), QImage::Format_RGB32);
    if (picture.isNull())
        return GpStatus::OutOfMemory;
    picture.fill(PictureBackground(image.Format(), WallpaperCanvas));
    QPainter painter(&picture);
    painter.drawImage(0, 0, frame);
    return GpStatus::Ok;
}

GpStatus WriteBitmap(const QImage &picture, const QString &target)
{
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return GpStatus::Win32Error;
    QImageWriter writer(&file, "bmp");
    if (!writer.write(picture)) {
        file.cancelWriting();
        return GpStatus::Win32Error;
    }
    return file.commit() ? GpStatus::Ok : GpStatus::Win32Error;
}

} // namespace

QString WallpaperPath()
{
    return WindowsFolder() + QLatin1String(WallpaperFileName);
}

GpStatus WriteWallpaperBitmap(const QString &imagePath, const QString &target)
{
    QImage picture;
    const GpStatus decoded = DecodeWallpaper(imagePath, picture);
    return decoded == GpStatus::Ok ? WriteBitmap(picture, target) : decoded;
}

WallpaperResult SetWallpaper(const QString &imagePath, WallpaperStyle style, const QString &currentDesktop,
                             const QString &target)
{
    WallpaperResult result;
    QImage picture;
    if (imagePath.isEmpty() || DecodeWallpaper(imagePath, picture) != GpStatus::Ok) {
        result.status = WallpaperStatus::NotDecoded;
        return result;
    }
    const DesktopKind desktop = DetectDesktop(currentDesktop);
    result.tool = WallpaperTool(desktop);
    // Found before the file is written: with no way to show it, the old bitmap stays.
    if (result.tool.isEmpty()) {
        result.status = WallpaperStatus::NoSetter;
        return result;
    }
    if (WriteBitmap(picture, target) != GpStatus::Ok) {
        result.status = WallpaperStatus::NotWritten;
        return result;
    }
    if (!ApplyWallpaper(desktop, result.tool, target, style))
        result.status = WallpaperStatus::SetterFailed;
    return result;
}

WallpaperResult SetWallpaper(const QString &imagePath, WallpaperStyle style)
{
    return SetWallpaper(imagePath, style, qEnvironmentVariable("XDG_CURRENT_DESKTOP"), WallpaperPath());
}

} // namespace mv
