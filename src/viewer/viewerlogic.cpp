#include "viewer/viewerlogic.h"

#include "app/fields.h"
#include "app/messagebox.h"
#include "app/paths.h"

#include <QFileInfo>
#include <QStringList>

#include <cmath>

namespace mv {

namespace {

// Two decimals, so that repeated 0.1 steps land on the same values every time.
double roundZoom(double value)
{
    return std::round(value * 100.0) / 100.0;
}

// The extensions that name a format we write, the usual one first.
QStringList FormatExtensions(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg:
        return {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jpe"), QStringLiteral("jfif")};
    case ImageFormat::Png: return {QStringLiteral("png")};
    case ImageFormat::Bmp: return {QStringLiteral("bmp"), QStringLiteral("dib"), QStringLiteral("rle")};
    case ImageFormat::Tiff: return {QStringLiteral("tif"), QStringLiteral("tiff")};
    default: return {};
    }
}

} // namespace

ViewerPlacement PlaceViewer(const QString &max2, const QString &playerWnd2, QSize screen)
{
    ViewerPlacement placement;
    placement.maximized = max2 == QLatin1String("True");
    int left = 0, top = 0, width = 0, height = 0;
    if (!playerWnd2.isEmpty()) {
        left = CommaField(playerWnd2, 1).toInt();
        top = CommaField(playerWnd2, 2).toInt();
        width = CommaField(playerWnd2, 3).toInt();
        height = CommaField(playerWnd2, 4).toInt();
    } else {
        width = ViewerDefaultSize.width();
        height = ViewerDefaultSize.height();
        left = (screen.width() - width) / 2;
        top = (screen.height() - height) / 2;
    }
    if (width > screen.width() || width < ViewerDefaultSize.width())
        width = ViewerDefaultSize.width();
    if (height > screen.height() || height < ViewerDefaultSize.height())
        height = ViewerDefaultSize.height();
    if (left > screen.width() || left < 0)
        left = (screen.width() - width) / 2;
    if (top > screen.height() || top < 0)
        top = (screen.height() - height) / 2;
    placement.rect = QRect(left, top, width, height);
    return placement;
}

QString PlacementText(const QRect &rect)
{
    return QStringLiteral("%1,%2,%3,%4").arg(rect.left()).arg(rect.top()).arg(rect.width()).arg(rect.height());
}

bool ViewZoomSteps::zoomIn()
{
    if (mValue > 4.9)
        return false;
    mValue = roundZoom(mValue + 0.1);
    return true;
}

bool ViewZoomSteps::zoomOut()
{
    if (mValue < 0.2)
        return false;
    mValue = roundZoom(mValue - 0.1);
    return true;
}

QString TurnedCopyPath(const QString &path, ImageFormat written)
{
    const QString extension = ExtensionOf(path);
    QString name = FileNameOf(path);
    if (!extension.isEmpty())
        name.remove(extension, Qt::CaseSensitive);
    QString copyExtension = extension;
    const QStringList names = FormatExtensions(written);
    if (!names.isEmpty() && !names.contains(extension.mid(1), Qt::CaseInsensitive))
        copyExtension = QLatin1Char('.') + names.first();
    return FolderOf(path) + name + QStringLiteral("_旋转") + copyExtension;
}

bool MayWriteTurnedCopy(const QString &target)
{
    const QFileInfo existing(target);
    if (!existing.exists() && !existing.isSymLink())
        return true;
    return MsgBox(QStringLiteral("文件“%1”已存在,是否替换？").arg(FileNameOf(target)), QStringLiteral("提示"),
                  MsgIcon::Question, MsgButtons::YesNo)
           == MsgResult::Yes;
}

} // namespace mv
