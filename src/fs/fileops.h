#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace mv {

// File attribute bits as the folder views and lists use them.
enum FileAttribute : quint32 {
    AttrReadOnly = 0x1,   // not writable by the user
    AttrHidden = 0x2,     // name begins with "."
    AttrSystem = 0x4,     // neither a regular file nor a folder (device, socket, FIFO)
    AttrDirectory = 0x10,
    AttrNormal = 0x80,    // none of the others
};

// File times are 100-nanosecond ticks since 1601-01-01 UTC; 0 is "no time". Times
// outside what the ticks hold end at their limits: 0 before 1601, the largest 64-bit
// value (in the year 30828) after.
struct FindData {
    quint32 attributes = 0;
    qint64 creationTime = 0;   // birth time where the file system keeps it, else last write
    qint64 lastAccessTime = 0;
    qint64 lastWriteTime = 0;
    quint64 size = 0;
    QString name;              // "Error" when nothing was found
    QString shortName;         // always empty here
};

qint64 FileTimeFromMSecs(qint64 msecsSinceEpoch);
qint64 FileTimeFromUnix(qint64 seconds, qint64 nanoseconds);

bool FolderExists(const QString &path);
FindData GetFindData(const QString &path);
// Creation time in UTC as "2011-12-5 08:03:09"; "1601-1-1 00:00:00" when not found.
QString GetFileTimeText(const QString &path);
QString FileTimeText(qint64 fileTime);

// Moves the file or folder to the freedesktop trash without asking. 0 on success.
enum RecycleResult { RecycleOk = 0, RecycleNotFound = 2, RecycleFailed = 5 };
int RecycleFile(const QString &path);

// Renames oldPath to newPath. Never replaces an existing file: it refuses and tells the
// user. The same entry under its own name (however the path is spelled) is a success
// that changes nothing; a name that differs only in case is a real rename. Errors are
// shown; the result says whether the file now has its new name.
bool RenameFile(const QString &oldPath, const QString &newPath);

void MakeFolderPath(const QString &path);

// Puts files on the clipboard as a file list that file managers paste (a copy).
bool FilesToClipboard(const QStringList &paths);
bool FileToClipboard(const QString &path);

// The copy behind ShellCopy: through a temporary file beside the target that is renamed
// into place only when complete, so no half-written target is ever left. The rename
// replaces the target's own entry: a symbolic link there becomes the copy, and the place
// it pointed to is never touched. The copy keeps the source's modification time and
// permissions. progress is called after each block with bytes done and total; returning
// false cancels.
enum class CopyOutcome { Copied, Cancelled, Failed };
struct CopyResult {
    CopyOutcome outcome = CopyOutcome::Failed;
    QString error;
};
using CopyProgress = std::function<bool(qint64 done, qint64 total)>;
[[nodiscard]] CopyResult CopyFileThroughTemporary(const QString &source, const QString &target,
                                                  const CopyProgress &progress = {});

} // namespace mv
