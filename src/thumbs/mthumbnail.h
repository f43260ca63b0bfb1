#pragma once

#include "thumbs/thumbtargets.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace mv {

// One listed image: the file name (folder build) or full path (list build), its date text
// and its size in bytes.
struct ImageEntry {
    QString name;
    QString date;
    qint64 size = 0;
};

// The thumbnail builder: fills the thumbnail list of a folder, or of the files a recursive
// listing or a search found, from the folder caches or by rendering. Every step runs on the
// user-interface thread and yields to it after each image; a pool of workers renders the next
// images ahead (renderahead.h).
namespace mThumbnail {

// Set while a build runs; cleared when it ends and by CancelThumbBuild.
inline bool ThumbBusy = false;
// The folder of the running folder build, ending in "/".
[[nodiscard]] QString CurrentFolder();

// A file time (ticks since 1601) as local time in the locale's short date and its time with
// hours, minutes and seconds, joined by a blank: the date text of a folder's images.
[[nodiscard]] QString FileTimeText(qint64 fileTime);

// The folder's supported images in name order (no folders, no hidden files, no names
// without "."), each with FileTimeText of its last-write time; true when there is one.
bool ListFolderImages(const QString &folder, QList<ImageEntry> &entries);
// One entry per line (at most 32,767), the full path as it is, with the creation time in
// UTC as its date text; the types are not checked.
bool ListFoundImages(const QStringList &lines, QList<ImageEntry> &entries);

void BuildFolderThumbs(const QString &folder, bool rebuildAll, ThumbList &list, ThumbPanel &panel);
void BuildListThumbs(ThumbList &list, ThumbPanel &panel);
// The running build stops after its current image; what workers made ahead is dropped.
void CancelThumbBuild();
// Makes the item's thumbnail again from the file, turned by the rotate-and-flip code; the
// cache is not changed.
void RotateItemThumbnail(const QString &path, int index, int code, ThumbList &list);

// "找到 1,234 张图片": the count with thousands separators.
[[nodiscard]] QString FoundText(qsizetype count);

} // namespace mThumbnail

} // namespace mv
