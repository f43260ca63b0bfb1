#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace mv {

// The desktop entry the association installs, by its desktop ID.
inline constexpr const char *DesktopId = "Mirovale.desktop";

// mimeapps.list with desktopId made the default of each MIME type: the type's line in
// [Default Applications] is replaced (every copy of it, as the last one would win), the ID
// is put first in its [Added Associations] line and taken out of [Removed Associations].
// Every other line stays byte for byte, unreadable ones included; missing lines and groups
// are added. Applied to its own result, it changes nothing.
QByteArray EditMimeApps(const QByteArray &file, const QStringList &mimeTypes, const QString &desktopId);

// The mimeapps.list files a desktop consults, most important first: the desktop-specific
// ones (from XDG_CURRENT_DESKTOP) before the plain ones, in the user's configuration
// folder, the system's configuration folders, then the applications folders.
QStringList MimeAppsLists();

// The default application of a MIME type as the desktop finds it: the first installed
// desktop ID of the type's [Default Applications] line in the first list that has one.
// Empty when no list names an installed application.
QString DefaultApplicationFor(const QString &mimeType, const QStringList &lists,
                              const QStringList &applicationFolders);
QString DefaultApplicationFor(const QString &mimeType);

} // namespace mv
