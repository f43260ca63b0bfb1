#include "fs/fileops.h"

#include "app/messagebox.h"
#include "app/paths.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>

namespace mv {

namespace {

constexpr qint64 TicksFrom1601To1970 = 116444736000000000LL;
constexpr qint64 TicksPerSecond = 10000000;
constexpr qint64 TicksPerMSec = 10000;
constexpr qint64 CopyBlockBytes = 1 << 20;

QString withoutFinalSlash(QString path)
{
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

quint32 attributesOf(const QFileInfo &info)
{
    quint32 attributes = 0;
    if (info.isDir())
        attributes |= AttrDirectory;
    else if (!info.isFile())
        attributes |= AttrSystem;
    if (info.fileName().startsWith(QLatin1Char('.')))
        attributes |= AttrHidden;
    if (!info.isWritable())
        attributes |= AttrReadOnly;
    return attributes == 0 ? quint32(AttrNormal) : attributes;
}

qint64 fileTime(const QDateTime &time)
{
    return time.isValid() ? FileTimeFromMSecs(time.toMSecsSinceEpoch()) : 0;
}

// A file system may hold any 64-bit time (tmpfs does); ticks end at both sides of their
// range instead of wrapping round.
qint64 clampTicks(__int128 ticks)
{
    if (ticks < 0)
        return 0;
    if (ticks > std::numeric_limits<qint64>::max())
        return std::numeric_limits<qint64>::max();
    return qint64(ticks);
}

// One directory entry however its path is spelled: the folder resolved (links, "..",
// doubled "/"), the name itself kept, since renaming works on the name, not on what a
// link points to.
QString entryKey(const QString &path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QFileInfo entry(clean);
    const QString folder = QFileInfo(entry.path()).canonicalFilePath();
    return folder.isEmpty() ? clean : QDir(folder).filePath(entry.fileName());
}

void tellRenameError(const QString &reason)
{
    MsgBox(QStringLiteral("重命名文件时出错: ") + reason, QStringLiteral("提示"), MsgIcon::Critical);
}

} // namespace

qint64 FileTimeFromMSecs(qint64 msecsSinceEpoch)
{
    return clampTicks(__int128(msecsSinceEpoch) * TicksPerMSec + TicksFrom1601To1970);
}

qint64 FileTimeFromUnix(qint64 seconds, qint64 nanoseconds)
{
    return clampTicks(__int128(seconds) * TicksPerSecond + nanoseconds / 100 + TicksFrom1601To1970);
}

bool FolderExists(const QString &path)
{
    const QString probe = withoutFinalSlash(path);
    return !probe.isEmpty() && QFileInfo::exists(probe);
}

FindData GetFindData(const QString &path)
{
    FindData data;
    const QFileInfo info(withoutFinalSlash(path));
    if (path.isEmpty() || !info.exists()) {
        data.name = QStringLiteral("Error");
        return data;
    }
    data.attributes = attributesOf(info);
    // The times straight from the file system: Qt's own conversion wraps round on times
    // far from today.
    struct statx times{};
    if (::statx(AT_FDCWD, QFile::encodeName(info.filePath()).constData(), 0,
                STATX_ATIME | STATX_MTIME | STATX_BTIME, &times)
        == 0) {
        const auto ticks = [](const statx_timestamp &t) { return FileTimeFromUnix(t.tv_sec, t.tv_nsec); };
        data.lastWriteTime = (times.stx_mask & STATX_MTIME) ? ticks(times.stx_mtime) : 0;
        data.lastAccessTime = (times.stx_mask & STATX_ATIME) ? ticks(times.stx_atime) : 0;
        data.creationTime = (times.stx_mask & STATX_BTIME) ? ticks(times.stx_btime) : data.lastWriteTime;
    } else {
        const QDateTime written = info.lastModified().toUTC();
        const QDateTime born = info.birthTime().toUTC();
        data.lastWriteTime = fileTime(written);
        data.creationTime = fileTime(born.isValid() ? born : written);
        data.lastAccessTime = fileTime(info.lastRead().toUTC());
    }
    data.size = info.isFile() ? quint64(info.size()) : 0;
    data.name = info.fileName();
    return data;
}

QString GetFileTimeText(const QString &path)
{
    return FileTimeText(GetFindData(path).creationTime);
}

QString FileTimeText(qint64 ticks)
{
    // Rounded down, so that a time just before 1970 stays in its own second.
    const qint64 sinceEpoch = qMax<qint64>(ticks, 0) - TicksFrom1601To1970;
    qint64 msecs = sinceEpoch / TicksPerMSec;
    if (sinceEpoch % TicksPerMSec < 0)
        --msecs;
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    const QDate d = time.date();
    return QStringLiteral("%1-%2-%3 ").arg(d.year()).arg(d.month()).arg(d.day()) + time.toString(QStringLiteral("HH:mm:ss"));
}

int RecycleFile(const QString &path)
{
    const QString target = withoutFinalSlash(path);
    if (target.isEmpty() || (!QFileInfo(target).exists() && !QFileInfo(target).isSymLink()))
        return RecycleNotFound;
    // Qt makes the trash inside the data folder but not the data folder itself: without it,
    // it would put "files" and "info" folders into the working folder instead.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return QFile::moveToTrash(target) ? RecycleOk : RecycleFailed;
}

bool RenameFile(const QString &oldPath, const QString &newPath)
{
    const QByteArray from = QFile::encodeName(oldPath);
    const QByteArray to = QFile::encodeName(newPath);
    struct stat existing{};
    if (::lstat(from.constData(), &existing) == 0 && entryKey(oldPath) == entryKey(newPath))
        return true; // its own name again: nothing to do
    if (::lstat(to.constData(), &existing) == 0) {
        MsgBox(QStringLiteral("该文件已存在,请重新输入!"), QStringLiteral("提示"), MsgIcon::Critical);
        return false;
    }
    // Refuses in the kernel too, should a file of that name appear meanwhile.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST) {
        MsgBox(QStringLiteral("该文件已存在,请重新输入!"), QStringLiteral("提示"), MsgIcon::Critical);
        return false;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without no-replace renames: the check above has to do.
        if (::rename(from.constData(), to.constData()) == 0)
            return true;
    }
    tellRenameError(QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

void MakeFolderPath(const QString &path)
{
    QString folder = path;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    for (qsizetype at = folder.indexOf(QLatin1Char('/')); at >= 0; at = folder.indexOf(QLatin1Char('/'), at + 1)) {
        const QString step = folder.left(at + 1);
        if (step != QLatin1String("/"))
            QDir().mkdir(step);
    }
}

bool FilesToClipboard(const QStringList &paths)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    QList<QUrl> urls;
    QByteArray gnome = "copy";
    QStringList plain;
    for (const QString &path : paths) {
        const QUrl url = QUrl::fromLocalFile(path);
        urls.append(url);
        gnome += '\n' + url.toEncoded();
        plain.append(path);
    }
    auto *data = new QMimeData;
    data->setUrls(urls);
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    data->setText(plain.join(QLatin1Char('\n')));
    clipboard->setMimeData(data);
    return true;
}

bool FileToClipboard(const QString &path)
{
    return FilesToClipboard(QStringList{path});
}

CopyResult CopyFileThroughTemporary(const QString &source, const QString &target, const CopyProgress &progress)
{
    CopyResult result;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        result.error = in.errorString();
        return result;
    }
    struct stat original{};
    if (::fstat(in.handle(), &original) != 0) {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    const qint64 total = in.size();
    // A hidden temporary file beside the target, renamed over the target's own entry at the
    // end: a symbolic link there is replaced, never written through to where it points.
    QTemporaryFile out(QFileInfo(target).absolutePath() + QStringLiteral("/.mirovale-copy-XXXXXX"));
    if (!out.open()) {
        result.error = out.errorString();
        return result;
    }
    qint64 done = 0;
    QByteArray block;
    while (!in.atEnd()) {
        block = in.read(CopyBlockBytes);
        if (block.isEmpty() && in.error() != QFileDevice::NoError) {
            result.error = in.errorString();
            return result; // the temporary file goes with out
        }
        if (out.write(block) != block.size()) {
            result.error = out.errorString();
            return result;
        }
        done += block.size();
        if (progress && !progress(done, total)) {
            result.outcome = CopyOutcome::Cancelled;
            return result;
        }
    }
    if (!out.flush()) {
        result.error = out.errorString();
        return result;
    }
    // The copy keeps the original's modification time and permissions, as file managers
    // do; the time first, so that a read-only mode never stands in its way.
    const timespec times[2] = {{0, UTIME_OMIT}, original.st_mtim};
    if (::futimens(out.handle(), times) != 0 || ::fchmod(out.handle(), original.st_mode & 0777) != 0
        || ::fsync(out.handle()) != 0
        || ::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(target).constData()) != 0) {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    out.setAutoRemove(false);
    result.outcome = CopyOutcome::Copied;
    return result;
}

} // namespace mv
