#pragma once

#include <QString>
#include <QStringList>

namespace mv {

// The names of a folder's image files, as a folder file list with the image pattern
// shows them: regular files whose type is supported, no hidden or system files, sorted by
// name without regard to case. An unreadable or missing folder gives an empty list.
QStringList ListImageFiles(const QString &folder);

} // namespace mv
