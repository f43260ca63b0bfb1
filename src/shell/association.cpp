#include "shell/association.h"

#include "app/paths.h"
#include "shell/mimeapps.h"
#include "shell/shelltool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace mv {

namespace {

QString WithSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// Replaces the file with bytes unless it holds them already. Empty on success.
QString WriteIfChanged(const QString &path, const QByteArray &bytes)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size() && existing.readAll() == bytes)
        return QString();
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("cannot create the folder of ") + path;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return QStringLiteral("cannot write ") + path;
    }
    return file.commit() ? QString() : QStringLiteral("cannot write ") + path;
}

void Note(AssociationResult &result, const QString &error)
{
    if (error.isEmpty())
        return;
    if (result.ok)
        result.error = error;
    result.ok = false;
}

QString SetDefaults(const QString &path, const QStringList &mimeTypes)
{
    QByteArray old;
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        // What cannot be read is not replaced: the user's other settings would go with it.
        QFile file(path);
        if (!info.isFile() || !file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read ") + path;
        old = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return QStringLiteral("cannot read ") + path;
    }
    return WriteIfChanged(path, EditMimeApps(old, mimeTypes, QString::fromLatin1(DesktopId)));
}

} // namespace

AssociationPlaces CurrentAssociationPlaces()
{
    return {WithSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)),
            WithSlash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
            AppFolder() + FileNameOf(QCoreApplication::applicationFilePath())};
}

QByteArray AssociationArt::family(TypeIconFamily family) const
{
    switch (family) {
    case TypeIconFamily::Bitmap: return bitmap;
    case TypeIconFamily::Jpeg: return jpeg;
    case TypeIconFamily::TiffMetafile: return tiff;
    case TypeIconFamily::None:
    case TypeIconFamily::Itself: break;
    }
    return QByteArray();
}

std::optional<QString> DesktopExec(const QString &programPath)
{
    if (!programPath.startsWith(QLatin1Char('/')))
        return std::nullopt;
    QString quoted;
    for (const QChar c : programPath) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return std::nullopt;
        // Inside double quotes these four keep their meaning only behind a backslash.
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // The value is read as a string first, which takes one level of backslashes, and a
    // single "%" would start a field code.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QStringLiteral("\" %f");
}

std::optional<QByteArray> DesktopEntry(const QString &programPath, const QStringList &mimeTypes)
{
    const std::optional<QString> exec = DesktopExec(programPath);
    if (!exec)
        return std::nullopt;
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Mirovale\n"
                                  "GenericName=图片查看器\n"
                                  "Comment=浏览和查看图片\n"
                                  "Icon=%1\n"
                                  "Exec=%2\n"
                                  "Terminal=false\n"
                                  "Categories=Graphics;Viewer;\n")
                       .arg(QLatin1String(ProgramIconName), *exec);
    text += QStringLiteral("MimeType=") + mimeTypes.join(QLatin1Char(';')) + QStringLiteral(";\n");
    return text.toUtf8();
}

AssociationResult WriteAssociation(const AssociationPlaces &places, const AssociationArt &art,
                                   const QList<ImageMimeType> &types)
{
    AssociationResult result;
    const QString data = WithSlash(places.dataHome);
    Note(result, WriteIfChanged(data + QStringLiteral("mime/packages/") + QLatin1String(MimePackageName),
                                OwnMimePackage(types)));
    const QString icons = data + QStringLiteral("icons/hicolor/scalable/");
    for (const ImageMimeType &type : types) {
        const QByteArray picture = art.family(GetFileIcon(type.ext));
        if (type.own && !picture.isEmpty())
            Note(result, WriteIfChanged(icons + QStringLiteral("mimetypes/") + MimeIconName(type.name)
                                            + QStringLiteral(".svg"),
                                        picture));
    }
    if (!art.program.isEmpty())
        Note(result, WriteIfChanged(icons + QStringLiteral("apps/") + QLatin1String(ProgramIconName)
                                        + QStringLiteral(".svg"),
                                    art.program));

    const QStringList mimeTypes = DistinctMimeNames(types);
    const std::optional<QByteArray> entry = DesktopEntry(places.programPath, mimeTypes);
    if (!entry) {
        Note(result, QStringLiteral("a desktop entry cannot start ") + places.programPath);
        return result;
    }
    const QString entryError =
        WriteIfChanged(data + QStringLiteral("applications/") + QLatin1String(DesktopId), *entry);
    Note(result, entryError);
    // Defaults that name an entry that is not there would only take the user's choice away.
    if (entryError.isEmpty())
        Note(result, SetDefaults(WithSlash(places.configHome) + QStringLiteral("mimeapps.list"), mimeTypes));
    return result;
}

void RefreshShell(const AssociationPlaces &places)
{
    const QString data = WithSlash(places.dataHome);
    (void)RunTool(QStringLiteral("update-mime-database"), {data + QStringLiteral("mime")});
    (void)RunTool(QStringLiteral("update-desktop-database"), {data + QStringLiteral("applications")});
}

bool AssociationInForce(const QList<ImageMimeType> &types)
{
    for (const ImageMimeType &type : types) {
        if (type.ext == QLatin1String("JPEG"))
            return DefaultApplicationFor(type.name) == QLatin1String(DesktopId);
    }
    return false;
}

} // namespace mv
