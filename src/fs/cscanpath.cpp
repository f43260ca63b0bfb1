#include "fs/cscanpath.h"

#include "app/paths.h"

#include <QByteArrayView>
#include <QCollator>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace mv {

namespace {

// Attributes the scanner can be told about that this platform never sets.
constexpr quint32 AttrArchive = 0x20;
constexpr quint32 AttrCompressed = 0x800;

constexpr qint64 TicksFrom1601To1970 = 116444736000000000LL;
// The date 0 of the owner's dates: 1899-12-30 00:00 UTC.
constexpr qint64 ZeroDateMSecs = -2209161600000LL;

qint64 FloorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// A file time as the date tests see it: UTC, seconds dropped.
qint64 MinuteMSecs(qint64 ticks)
{
    const qint64 msecs = FloorDiv(ticks - TicksFrom1601To1970, 10000);
    return FloorDiv(msecs, 60000) * 60000;
}

QDateTime DateOf(qint64 ticks)
{
    return QDateTime::fromMSecsSinceEpoch(MinuteMSecs(ticks), Qt::UTC);
}

bool BoundActive(const QDateTime &bound)
{
    return bound.isValid() && bound.toMSecsSinceEpoch() > ZeroDateMSecs;
}

bool IsDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The entry's record, through a link to what it points to (the link itself when it points
// nowhere); the name is left to the caller. False when the entry is gone or cannot be looked at.
bool ReadRecord(int folderFd, const char *rawName, FindData &record)
{
    constexpr unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
    struct statx sx{};
    if (::statx(folderFd, rawName, 0, mask, &sx) != 0
        && ::statx(folderFd, rawName, AT_SYMLINK_NOFOLLOW, mask, &sx) != 0)
        return false;
    quint32 attributes = 0;
    if (S_ISDIR(sx.stx_mode))
        attributes |= AttrDirectory;
    else if (!S_ISREG(sx.stx_mode))
        attributes |= AttrSystem;
    const char *base = std::strrchr(rawName, '/');
    if ((base ? base[1] : rawName[0]) == '.')
        attributes |= AttrHidden;
    if (::faccessat(folderFd, rawName, W_OK, 0) != 0)
        attributes |= AttrReadOnly;
    record.attributes = attributes == 0 ? quint32(AttrNormal) : attributes;
    const auto ticks = [](const statx_timestamp &t) { return FileTimeFromUnix(t.tv_sec, t.tv_nsec); };
    record.lastWriteTime = (sx.stx_mask & STATX_MTIME) ? ticks(sx.stx_mtime) : 0;
    record.lastAccessTime = (sx.stx_mask & STATX_ATIME) ? ticks(sx.stx_atime) : 0;
    record.creationTime = (sx.stx_mask & STATX_BTIME) ? ticks(sx.stx_btime) : record.lastWriteTime;
    record.size = S_ISREG(sx.stx_mode) ? quint64(sx.stx_size) : 0;
    record.shortName.clear();
    return true;
}

// A folder opened for listing; not open when it cannot be read or this scan has listed it
// already (whatever path led there).
class Listing
{
public:
    Listing(const QString &folder, std::set<std::pair<dev_t, ino_t>> &listed)
    {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat st{};
        if (::fstat(fd, &st) != 0 || !listed.insert({st.st_dev, st.st_ino}).second) {
            ::close(fd);
            return;
        }
        mDir = ::fdopendir(fd);
        if (!mDir)
            ::close(fd);
    }
    ~Listing()
    {
        if (mDir)
            ::closedir(mDir);
    }
    Listing(const Listing &) = delete;
    Listing &operator=(const Listing &) = delete;

    bool isOpen() const { return mDir != nullptr; }
    int fd() const { return ::dirfd(mDir); }
    const dirent *next() { return ::readdir(mDir); }

private:
    DIR *mDir = nullptr;
};

} // namespace

struct cScanPath::Walk {
    bool subFolders = false;
    bool extended = false;
    std::set<std::pair<dev_t, ino_t>> listed;
    QCollator *collator = nullptr;
};

cScanPath::cScanPath(QObject *parent)
    : QObject(parent)
    , mYield([] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    })
    , mAlive(std::make_shared<bool>(true))
{
}

cScanPath::~cScanPath()
{
    *mAlive = false;
}

QString cScanPath::Filter() const
{
    return mFilter.endsWith(QLatin1Char(';')) ? mFilter.chopped(1) : mFilter;
}

void cScanPath::setFilter(const QString &filter)
{
    qsizetype first = 0;
    qsizetype last = filter.size();
    while (first < last && filter.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && filter.at(last - 1) == QLatin1Char(' '))
        --last;
    mFilter = filter.mid(first, last - first);
}

ScanResult cScanPath::StartScan(QString &Path, bool SubFolders, bool Sorted, bool PatternMatching, bool ExtendedDetail)
{
    if (mScanning)
        return {false, QStringLiteral("a scan is already running")};
    if (!Path.endsWith(QLatin1Char('/')))
        Path += QLatin1Char('/');
    mDirCount = 0;
    mFileCount = 0;
    mPatternMatching = PatternMatching;

    mPatterns.clear();
    const QString anyName = QStringLiteral("*.*");
    if (mFilter.isEmpty()) {
        mFilter = anyName;
        mPatterns.emplace_back(QStringView());
    } else if (mFilter != anyName) {
        mFilter = mFilter.toUpper() + QLatin1Char(';');
        for (const QString &item : mFilter.chopped(1).split(QLatin1Char(';')))
            mPatterns.emplace_back(item);
    }
    mAnyName = mFilter == anyName;
    mScanFilter = mFilter;
    mScanFilterUtf8 = mScanFilter.toUtf8();

    mSizeMode = mMinimumSize > 0 && mMaximumSize > 0 ? 3 : mMaximumSize > 0 ? 2 : mMinimumSize > 0 ? 1 : 0;
    const bool from = BoundActive(mFromDate);
    const bool to = BoundActive(mToDate);
    mDateMode = from && to ? 3 : to ? 2 : from ? 1 : 0;
    mStop = false;
    mRecord = FindData{};
    mRecordPending = false;

    mScanning = true;
    Walk walk;
    walk.subFolders = SubFolders;
    walk.extended = ExtendedDetail;
    const QString start = ResolveDesktopLabel(Path);
    QString error;
    bool alive = true;
    if (Sorted) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        walk.collator = &collator;
        alive = WalkSorted(walk, start, error);
    } else {
        alive = WalkUnsorted(walk, start);
    }
    if (!alive)
        return {};
    mScanning = false;
    if (!error.isEmpty())
        return {false, error};
    return {};
}

bool cScanPath::NamePasses(const QString &name) const
{
    if (mAnyName)
        return true;
    if (!mPatternMatching)
        return ExtensionInFilter(name, mScanFilter);
    const QString upper = name.toUpper();
    return std::any_of(mPatterns.begin(), mPatterns.end(),
                       [&upper](const WildcardPattern &pattern) { return pattern.Matches(upper); });
}

bool cScanPath::AttributesPass(quint32 a) const
{
    const auto allowed = [a](quint32 bit, bool may) { return !(a & bit) || may; };
    return allowed(AttrArchive, mArchive) && allowed(AttrCompressed, mCompressed) && allowed(AttrDirectory, mFolder)
           && allowed(AttrHidden, mHidden) && allowed(AttrNormal, mNormal) && allowed(AttrReadOnly, mReadOnly)
           && allowed(AttrSystem, mSystem);
}

bool cScanPath::SizeAndDatePass(const FindData &record) const
{
    const qint64 size = qint64(record.size);
    if ((mSizeMode & 1) && size < mMinimumSize)
        return false;
    if ((mSizeMode & 2) && size > mMaximumSize)
        return false;
    if (mDateMode == 0)
        return true;
    qint64 date = ZeroDateMSecs;
    if (mDateType == 0)
        date = MinuteMSecs(record.lastWriteTime);
    else if (mDateType == 1)
        date = MinuteMSecs(record.creationTime);
    else if (mDateType == 2)
        date = MinuteMSecs(record.lastAccessTime);
    if ((mDateMode & 1) && date < mFromDate.toMSecsSinceEpoch())
        return false;
    if ((mDateMode & 2) && date > mToDate.toMSecsSinceEpoch())
        return false;
    return true;
}

bool cScanPath::Matches(int folderFd, const char *rawName, unsigned char type, bool extended, bool &directory)
{
    // Most entries of a big walk are turned away by their name: the disk is asked about an
    // entry only when its type is not known from the listing or when a test or the detailed
    // events need its record; otherwise the record is read when a handler asks for it.
    const QByteArrayView raw(rawName, qsizetype(std::strlen(rawName)));
    FindData record;
    bool haveRecord = false;
    const auto readRecord = [&] {
        if (!haveRecord)
            haveRecord = ReadRecord(folderFd, rawName, record);
        return haveRecord;
    };
    if (type == DT_DIR || type == DT_REG) {
        directory = type == DT_DIR;
    } else if (type == DT_LNK || type == DT_UNKNOWN) {
        if (!readRecord())
            return false;
        directory = record.attributes & AttrDirectory;
    } else {
        directory = false; // a device, socket or FIFO
    }
    const bool nameTest = !directory && !mAnyName;
    if (nameTest && !mPatternMatching && !ExtensionInFilter(raw, mScanFilterUtf8))
        return false;
    if (!raw.isValidUtf8())
        return false; // no path of the program can name it
    QString name = QString::fromUtf8(raw);
    if (nameTest && mPatternMatching && !NamePasses(name))
        return false;
    // Read-only needs a question to the disk; it can only turn an entry away when the owner
    // refuses read-only or normal entries.
    const bool sizeOrDate = !directory && (mSizeMode != 0 || mDateMode != 0);
    if ((extended || !(mReadOnly && mNormal) || sizeOrDate) && !readRecord())
        return false;
    quint32 attributes = 0;
    if (haveRecord) {
        attributes = record.attributes;
    } else {
        if (directory)
            attributes |= AttrDirectory;
        else if (type != DT_REG)
            attributes |= AttrSystem;
        if (rawName[0] == '.')
            attributes |= AttrHidden;
        if (attributes == 0)
            attributes = AttrNormal;
    }
    if (!AttributesPass(attributes))
        return false;
    if (sizeOrDate && !SizeAndDatePass(record))
        return false;
    if (haveRecord)
        directory = record.attributes & AttrDirectory;
    else
        record.attributes = attributes;
    record.name = std::move(name);
    mRecord = std::move(record);
    mRecordPending = !haveRecord;
    return true;
}

const FindData *cScanPath::WFDPointer() const
{
    if (mRecordPending) {
        mRecordPending = false;
        FindData record;
        if (ReadRecord(AT_FDCWD, QFile::encodeName(mRecordFolder + mRecord.name).constData(), record)) {
            record.name = mRecord.name;
            mRecord = std::move(record);
        }
    }
    return &mRecord;
}

bool cScanPath::Report(bool directory, const QString &path, bool extended)
{
    const std::shared_ptr<bool> alive = mAlive;
    // Copies: a handler that destroys the scanner must not pull them from under the next.
    const QString name = mRecord.name;
    mRecordFolder = path;
    if (extended) {
        const quint32 attributes = mRecord.attributes;
        const QDateTime written = DateOf(mRecord.lastWriteTime);
        const QDateTime created = DateOf(mRecord.creationTime);
        const QDateTime accessed = DateOf(mRecord.lastAccessTime);
        if (directory)
            emit DirMatchEx(name, path, attributes, written, created, accessed);
        else
            emit FileMatchEx(name, path, qint64(mRecord.size), attributes, written, created, accessed);
    } else if (directory) {
        emit DirMatch(name, path);
    } else {
        emit FileMatch(name, path);
    }
    return *alive;
}

bool cScanPath::Yield()
{
    const std::shared_ptr<bool> alive = mAlive;
    const YieldFunction yield = mYield; // the owner may set another one meanwhile
    if (yield)
        yield();
    return *alive;
}

bool cScanPath::WalkUnsorted(Walk &walk, const QString &start)
{
    std::deque<QString> queue{start};
    qint64 counter = 0; // every listed entry, over the whole scan
    while (!queue.empty() && !mStop) {
        const QString folder = std::move(queue.front());
        queue.pop_front();
        Listing listing(folder, walk.listed);
        if (!listing.isOpen())
            continue; // a folder that cannot be read hides nothing queued after it
        while (const dirent *entry = listing.next()) {
            bool directory = false;
            if (!IsDotOrDotDot(entry->d_name)
                && Matches(listing.fd(), entry->d_name, entry->d_type, walk.extended, directory)) {
                if (directory) {
                    if (walk.subFolders)
                        queue.push_back(folder + mRecord.name + QLatin1Char('/'));
                    ++mDirCount;
                } else {
                    ++mFileCount;
                }
                if (!Report(directory, folder, walk.extended))
                    return false;
            }
            if (++counter % YieldEvery == 0) {
                if (!Yield())
                    return false;
                if (mStop)
                    break;
            }
        }
    }
    return true;
}

bool cScanPath::WalkSorted(Walk &walk, const QString &folder, QString &error)
{
    if (mStop)
        return true;
    struct Found {
        bool directory;
        bool pending; // the record is read when a handler asks for it
        FindData record;
    };
    std::vector<Found> found;
    {
        Listing listing(folder, walk.listed);
        int counter = 0; // every listed entry of this folder
        while (listing.isOpen()) {
            const dirent *entry = listing.next();
            if (!entry)
                break;
            bool directory = false;
            if (!IsDotOrDotDot(entry->d_name)
                && Matches(listing.fd(), entry->d_name, entry->d_type, walk.extended, directory)) {
                if (found.size() == size_t(MaxFolderEntries)) {
                    error = QStringLiteral("more than %1 entries in %2").arg(MaxFolderEntries).arg(folder);
                    return true;
                }
                found.push_back({directory, mRecordPending, std::move(mRecord)});
            }
            if (++counter % YieldEvery == 0) {
                if (!Yield())
                    return false;
                if (mStop)
                    break;
            }
        }
    }

    QCollator &collator = *walk.collator;
    std::sort(found.begin(), found.end(), [&collator](const Found &a, const Found &b) {
        if (a.directory != b.directory)
            return b.directory; // files first
        const int order = collator.compare(a.record.name, b.record.name);
        return order != 0 ? order < 0 : a.record.name < b.record.name;
    });

    for (Found &item : found) {
        if (mStop)
            return true; // nothing more after a stop, not even the first entry
        mRecord = std::move(item.record);
        mRecordPending = item.pending;
        if (!item.directory) {
            ++mFileCount;
            if (!Report(false, folder, walk.extended))
                return false;
            continue;
        }
        const QString sub = folder + mRecord.name + QLatin1Char('/');
        if (!Report(true, folder, walk.extended))
            return false;
        if (walk.subFolders) {
            ++mDirCount;
            if (!WalkSorted(walk, sub, error))
                return false;
            if (!error.isEmpty())
                return true;
        }
    }
    return true;
}

} // namespace mv
