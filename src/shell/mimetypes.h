#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace mv {

// The associated types, in the order they are registered.
inline constexpr const char *AssociationTypeText = "|BMP|DIB|RLE|GIF|JPG|JPEG|JPE|JFIF|PNG|TIF|TIFF|EMF|WMF|ICO";
// Types the shared MIME database lacks are defined by us under this prefix.
inline constexpr const char *OwnMimePrefix = "image/x-mirovale-";

// AssociationTypeText split at "|", pieces that are empty once trimmed left out.
QStringList AssociationTypes();

// Which of our type-family icons a type shows; an icon file shows its own picture.
enum class TypeIconFamily { None = 0, Bitmap = 1, Jpeg = 2, TiffMetafile = 3, Itself };
// Exact, case-sensitive comparison of the extension ("JPEG", not "jpeg").
TypeIconFamily GetFileIcon(const QString &ext);
// The family's picture under the program's resources (":/ui/<name>.svg"); empty when none.
QString TypeIconPicture(TypeIconFamily family);

// "Mirovale " + EXT + " 图像"
QString TypeName(const QString &ext);

// The icon name the icon theme looks up for a MIME type: "image/x-a" gives "image-x-a".
QString MimeIconName(const QString &mimeType);

struct ImageMimeType {
    QString ext;      // as in the list: "JPEG"
    QString name;     // "image/jpeg"
    bool own = false; // defined by our own package
};

// The shared database's type for a file name, matched by extension; empty when it has none.
// Types of our own package do not count, so that a second run sees what the first saw.
using SharedMimeLookup = std::function<QString(const QString &fileName)>;
QString SharedMimeTypeFor(const QString &fileName);

// One entry per associated type, in list order.
QList<ImageMimeType> AssociationMimeTypes(const SharedMimeLookup &lookup = SharedMimeTypeFor);
// The distinct MIME type names, in order of first appearance.
QStringList DistinctMimeNames(const QList<ImageMimeType> &types);

// The MIME package that defines our own types (an empty package when there are none).
QByteArray OwnMimePackage(const QList<ImageMimeType> &types);

} // namespace mv
