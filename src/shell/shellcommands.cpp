#include "shell/shellcommands.h"

#include "app/inifile.h"
#include "app/messagebox.h"
#include "shell/association.h"
#include "shell/wallpaper.h"

#include <QFile>

namespace mv {

namespace {

QByteArray Picture(const QString &name)
{
    QFile file(QStringLiteral(":/ui/") + name + QStringLiteral(".svg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

AssociationArt ProgramArt()
{
    return {Picture(TypeIconPicture(TypeIconFamily::Bitmap)), Picture(TypeIconPicture(TypeIconFamily::Jpeg)),
            Picture(TypeIconPicture(TypeIconFamily::TiffMetafile)), Picture(QStringLiteral("icons/mirovale"))};
}

} // namespace

void AssociateFileTypes()
{
    const AssociationPlaces places = CurrentAssociationPlaces();
    const QList<ImageMimeType> types = AssociationMimeTypes();
    // A failed write shows in the check below, as the desktop then opens ".JPEG" otherwise.
    (void)WriteAssociation(places, ProgramArt(), types);
    if (ReadConfig(QStringLiteral("Association")) == QLatin1String("True")) {
        if (AssociationInForce(types))
            MsgBox(QStringLiteral("软件已经关联了所有支持的格式！"), QStringLiteral("恭喜"), MsgIcon::Information);
        else
            MsgBox(QStringLiteral("文件关联失败,如果您的系统是WIN7,请点击右键<已管理员身份>运行本软件!"),
                   QStringLiteral("提示"), MsgIcon::Information);
    }
    RefreshShell(places);
}

void AssociateOnFirstStart()
{
    if (ReadConfig(QStringLiteral("Association")) == QLatin1String("True"))
        return;
    AssociateFileTypes();
    (void)WriteConfig(QStringLiteral("Config"), QStringLiteral("Association"), QStringLiteral("True"));
}

void SetDesktopWallpaper(const QString &imagePath, WallpaperStyle style)
{
    // Every failure ends the command silently and leaves the previous wallpaper.
    (void)SetWallpaper(imagePath, style);
}

} // namespace mv
