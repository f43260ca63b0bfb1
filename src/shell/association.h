#pragma once

#include "shell/mimetypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace mv {

// Where the association goes and what the types open with.
struct AssociationPlaces {
    QString dataHome;    // $XDG_DATA_HOME, ending in "/"
    QString configHome;  // $XDG_CONFIG_HOME, ending in "/"
    QString programPath; // absolute path of the program
};
// The user's folders and the running program.
AssociationPlaces CurrentAssociationPlaces();

// Our own pictures (SVG): one per type family and the program's icon.
struct AssociationArt {
    QByteArray bitmap;
    QByteArray jpeg;
    QByteArray tiff;
    QByteArray program;
    QByteArray family(TypeIconFamily family) const;
};

inline constexpr const char *ProgramIconName = "mirovale";
inline constexpr const char *MimePackageName = "Mirovale.xml";

// The Exec value that starts the program on one file: the path in double quotes with the
// desktop entry's escapes, then %f. Nothing for a path a desktop entry cannot hold (empty,
// relative, or with control characters).
std::optional<QString> DesktopExec(const QString &programPath);
// The desktop entry: name, icon, Exec and every MIME type.
std::optional<QByteArray> DesktopEntry(const QString &programPath, const QStringList &mimeTypes);

struct AssociationResult {
    bool ok = true;
    QString error; // the first failure
    explicit operator bool() const { return ok; }
};

// Writes the MIME package of our own types with their icons, the program's icon, the
// desktop entry, and the defaults in mimeapps.list. A failed step does not stop the others,
// except that the defaults are only set once the desktop entry they name is in place.
// Files already as they should be are not written again; a mimeapps.list that cannot be
// read is left as it is.
[[nodiscard]] AssociationResult WriteAssociation(const AssociationPlaces &places, const AssociationArt &art,
                                                 const QList<ImageMimeType> &types);

// Lets the desktop see the new files: update-mime-database and update-desktop-database on
// the user's folders, each only when installed.
void RefreshShell(const AssociationPlaces &places);

// True when the desktop's default for the type of ".JPEG" is our desktop entry.
bool AssociationInForce(const QList<ImageMimeType> &types);

} // namespace mv
