#include "shell/mimetypes.h"

#include <QMimeDatabase>
#include <QXmlStreamWriter>

namespace mv {

QStringList AssociationTypes()
{
    QStringList types;
    for (const QString &piece : QString::fromLatin1(AssociationTypeText).split(QLatin1Char('|'))) {
        if (!piece.trimmed().isEmpty())
            types.append(piece.trimmed());
    }
    return types;
}

TypeIconFamily GetFileIcon(const QString &ext)
{
    static const QStringList jpeg{"JPG", "JPEG", "JPE", "JFIF"};
    static const QStringList bitmap{"GIF", "PNG", "DIB", "RLE", "BMP"};
    static const QStringList tiff{"TIF", "TIFF", "EMF", "WMF"};
    if (jpeg.contains(ext))
        return TypeIconFamily::Jpeg;
    if (bitmap.contains(ext))
        return TypeIconFamily::Bitmap;
    if (tiff.contains(ext))
        return TypeIconFamily::TiffMetafile;
    if (ext == QLatin1String("ICO"))
        return TypeIconFamily::Itself;
    return TypeIconFamily::None;
}

QString TypeIconPicture(TypeIconFamily family)
{
    switch (family) {
    case TypeIconFamily::Bitmap: return QStringLiteral("types/bitmap");
    case TypeIconFamily::Jpeg: return QStringLiteral("types/jpeg");
    case TypeIconFamily::TiffMetafile: return QStringLiteral("types/tiff");
    case TypeIconFamily::None:
    case TypeIconFamily::Itself: break;
    }
    return QString();
}

QString TypeName(const QString &ext)
{
    return QStringLiteral("Mirovale ") + ext + QStringLiteral(" 图像");
}

QString MimeIconName(const QString &mimeType)
{
    return QString(mimeType).replace(QLatin1Char('/'), QLatin1Char('-'));
}

QString SharedMimeTypeFor(const QString &fileName)
{
    const QMimeDatabase database;
    const QMimeType best = database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (!best.isDefault() && !best.name().startsWith(QLatin1String(OwnMimePrefix)))
        return best.name();
    for (const QMimeType &type : database.mimeTypesForFileName(fileName)) {
        if (!type.isDefault() && !type.name().startsWith(QLatin1String(OwnMimePrefix)))
            return type.name();
    }
    return QString();
}

QList<ImageMimeType> AssociationMimeTypes(const SharedMimeLookup &lookup)
{
    QList<ImageMimeType> types;
    for (const QString &ext : AssociationTypes()) {
        ImageMimeType type{ext, lookup(QStringLiteral("file.") + ext.toLower()), false};
        if (type.name.isEmpty()) {
            type.name = QLatin1String(OwnMimePrefix) + ext.toLower();
            type.own = true;
        }
        types.append(type);
    }
    return types;
}

QStringList DistinctMimeNames(const QList<ImageMimeType> &types)
{
    QStringList names;
    for (const ImageMimeType &type : types) {
        if (!names.contains(type.name))
            names.append(type.name);
    }
    return names;
}

QByteArray OwnMimePackage(const QList<ImageMimeType> &types)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeDefaultNamespace(QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    writer.writeStartElement(QStringLiteral("mime-info"));
    QStringList written;
    for (const ImageMimeType &type : types) {
        if (!type.own || written.contains(type.name))
            continue;
        written.append(type.name);
        writer.writeStartElement(QStringLiteral("mime-type"));
        writer.writeAttribute(QStringLiteral("type"), type.name);
        writer.writeTextElement(QStringLiteral("comment"), TypeName(type.ext));
        if (!TypeIconPicture(GetFileIcon(type.ext)).isEmpty()) {
            writer.writeEmptyElement(QStringLiteral("icon"));
            writer.writeAttribute(QStringLiteral("name"), MimeIconName(type.name));
        }
        writer.writeEmptyElement(QStringLiteral("generic-icon"));
        writer.writeAttribute(QStringLiteral("name"), QStringLiteral("image-x-generic"));
        writer.writeEmptyElement(QStringLiteral("glob"));
        writer.writeAttribute(QStringLiteral("pattern"), QStringLiteral("*.") + type.ext.toLower());
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}

} // namespace mv
