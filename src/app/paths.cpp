#include "app/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace mv {

namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

QString AppFolder()
{
    if (QCoreApplication::instance())
        return withSlash(QCoreApplication::applicationDirPath());
    // Before the application object exists: the folder of the running executable.
    return withSlash(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2));
}

QString ConfigFolder()
{
    const QString app = AppFolder();
    return ConfigFolderFor(app, QFileInfo(app).isWritable());
}

QString ConfigFolderFor(const QString &appFolder, bool appFolderWritable)
{
    if (appFolderWritable)
        return appFolder;
    const QString folder =
        withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) + QStringLiteral("Mirovale/");
    QDir().mkpath(folder);
    return folder;
}

QString WindowsFolder()
{
    const QString folder =
        withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) + QStringLiteral("Mirovale/");
    QDir().mkpath(folder);
    return folder;
}

QString DesktopFolder()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

bool HasFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo(path).isFile();
}

QString FileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString FolderOf(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ParentFolderName(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    if (parts.size() < 2)
        return path;
    return parts.at(parts.size() - 2);
}

// A dot in a folder's name ("/x/my.pics/photo") is no extension of the file.
QString ExtensionOf(const QString &path)
{
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

bool IsSupportedImage(const QString &name)
{
    const QString extension = ExtensionOf(name);
    if (extension.isEmpty())
        return false;
    const QString probe = QLatin1Char('|') + extension.mid(1) + QLatin1Char('|');
    return QString::fromLatin1(SupportedTypes).contains(probe, Qt::CaseInsensitive);
}

QString ResolveDesktopLabel(const QString &path)
{
    const QString label = QString::fromUtf8(DesktopLabel);
    if (path.startsWith(label))
        return DesktopFolder() + path.mid(label.size());
    return path;
}

bool FolderPathExists(const QString &folder)
{
    QString path = ResolveDesktopLabel(folder);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace mv
