#pragma once

#include "fs/fileops.h"
#include "fs/scanpattern.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace mv {

// What StartScan gives back: ok unless an error ended the scan (error says which).
// A stopped scan, an unreadable start folder and a scan whose scanner was destroyed by
// one of its handlers are all ok.
struct ScanResult {
    bool ok = true;
    QString error;
    explicit operator bool() const { return ok; }
};

// Walks a folder, and on request every folder below it, and raises an event for each
// entry that passes the filters (name, attributes, size, date). Runs on the caller's
// thread and lets pending events run every 10 listed entries, so that handlers can call
// StopScan. Two orders: unsorted breadth-first (the file system's order), and sorted
// depth-first (a folder's files by name, then its folders by name, each folder's subtree
// right after it).
//
// Attributes follow the folder views: directory, hidden (name begins with "."), read-only
// (not writable by the user), system (neither a regular file nor a directory), normal
// (none of these); archive and compressed never occur. Symbolic links count as what they
// point to (a dangling one as a system entry); no directory is listed twice in one scan,
// so links never make a walk loop. Names that are not valid UTF-8 cannot be named by a
// path of the program: such entries are passed over (neither reported nor walked).
//
// The scanner may be destroyed by one of its own handlers (deleteLater is kinder): the
// running StartScan then returns at once without touching it.
class cScanPath : public QObject
{
    Q_OBJECT
public:
    static constexpr int YieldEvery = 10;          // listed entries between two yields
    static constexpr int MaxFolderEntries = 32767; // matching entries of one folder, sorted walk

    explicit cScanPath(QObject *parent = nullptr);
    ~cScanPath() override;

    // Which attributes an entry may carry and still match.
    bool Archive() const { return mArchive; }
    void setArchive(bool on) { mArchive = on; }
    bool Compressed() const { return mCompressed; }
    void setCompressed(bool on) { mCompressed = on; }
    bool Folder() const { return mFolder; } // false: no directory reported or walked into
    void setFolder(bool on) { mFolder = on; }
    bool Hidden() const { return mHidden; }
    void setHidden(bool on) { mHidden = on; }
    bool Normal() const { return mNormal; }
    void setNormal(bool on) { mNormal = on; }
    bool ReadOnly() const { return mReadOnly; }
    void setReadOnly(bool on) { mReadOnly = on; }
    bool System() const { return mSystem; }
    void setSystem(bool on) { mSystem = on; }

    // Items separated by ";": wildcard patterns, or with plain matching extensions
    // ("*.JPG;*.PNG"). Stored without leading and trailing spaces, read without a final ";".
    // StartScan stores it upper case (an empty filter becomes "*.*", which takes every name).
    QString Filter() const;
    void setFilter(const QString &filter);

    // Date bounds on files: 0 last write, 1 creation, 2 last access time (another value
    // dates every file at the zero date 1899-12-30 00:00 UTC). A bound is active when it is
    // later than that zero date; file times are UTC with their seconds dropped. Bounds and
    // file times are compared as points in time, in whatever time zone a bound is given.
    int DateType() const { return mDateType; }
    void setDateType(int type) { mDateType = type; }
    QDateTime FromDate() const { return mFromDate; }
    void setFromDate(const QDateTime &date) { mFromDate = date; }
    QDateTime ToDate() const { return mToDate; }
    void setToDate(const QDateTime &date) { mToDate = date; }

    // Size bounds on files in bytes, each active when above 0.
    qint64 MinimumSize() const { return mMinimumSize; }
    void setMinimumSize(qint64 bytes) { mMinimumSize = bytes; }
    qint64 MaximumSize() const { return mMaximumSize; }
    void setMaximumSize(qint64 bytes) { mMaximumSize = bytes; }

    // Results of the last scan, also while it runs. FileCount: files reported. DirCount,
    // unsorted: every directory reported; sorted: the directories walked into (so 0
    // without SubFolders).
    int DirCount() const { return mDirCount; }
    int FileCount() const { return mFileCount; }

    // The record of the entry being reported, for the event handlers. Read from the disk when
    // first asked for, unless the scan needed it anyway.
    const FindData *WFDPointer() const;

    // What runs every 10 listed entries: QCoreApplication::processEvents unless the owner
    // sets another; an empty function yields nothing.
    using YieldFunction = std::function<void()>;
    void setYield(YieldFunction yield) { mYield = std::move(yield); }

    // Runs the whole scan. Path gets a final "/" when it has none (the desktop label is
    // read as the desktop folder). Errors: more than MaxFolderEntries matching entries in one
    // folder of a sorted walk, or a StartScan from inside the running one.
    [[nodiscard]] ScanResult StartScan(QString &Path, bool SubFolders, bool Sorted, bool PatternMatching,
                                       bool ExtendedDetail);
    // Asks the running scan to stop: it notices at its next yield, or after the event that
    // asked, and returns what it has reported so far.
    void StopScan() { mStop = true; }

signals:
    // Directory and Filename are the entry's own name; Path is the folder holding it, ending
    // in "/". Times are UTC to the minute; FileSize is the whole size.
    void DirMatch(const QString &Directory, const QString &Path);
    void FileMatch(const QString &Filename, const QString &Path);
    void DirMatchEx(const QString &Directory, const QString &Path, quint32 Attributes,
                    const QDateTime &LastWriteTime, const QDateTime &CreationTime, const QDateTime &LastAccessTime);
    void FileMatchEx(const QString &Filename, const QString &Path, qint64 FileSize, quint32 Attributes,
                     const QDateTime &LastWriteTime, const QDateTime &CreationTime,
                     const QDateTime &LastAccessTime);

private:
    struct Walk;

    bool NamePasses(const QString &name) const;
    bool AttributesPass(quint32 attributes) const;
    bool SizeAndDatePass(const FindData &record) const;
    // The entry test; a matching entry's record becomes the current one.
    bool Matches(int folderFd, const char *rawName, unsigned char type, bool extended, bool &directory);
    // Each false when a handler destroyed the scanner: the walk returns without touching it.
    [[nodiscard]] bool Report(bool directory, const QString &path, bool extended);
    [[nodiscard]] bool Yield();
    [[nodiscard]] bool WalkUnsorted(Walk &walk, const QString &start);
    [[nodiscard]] bool WalkSorted(Walk &walk, const QString &folder, QString &error);

    bool mArchive = true;
    bool mCompressed = true;
    bool mFolder = true;
    bool mHidden = false;
    bool mNormal = true;
    bool mReadOnly = true;
    bool mSystem = false;
    QString mFilter;
    int mDateType = 0;
    QDateTime mFromDate;
    QDateTime mToDate;
    qint64 mMinimumSize = 0;
    qint64 mMaximumSize = 0;

    int mDirCount = 0;
    int mFileCount = 0;
    mutable FindData mRecord;
    mutable bool mRecordPending = false; // mRecord holds only the name and the listing's attributes
    QString mRecordFolder;               // of the entry being reported
    YieldFunction mYield;

    // State of the running scan.
    bool mScanning = false;
    bool mStop = false;
    int mSizeMode = 0; // 0 none, 1 lower bound, 2 upper bound, 3 both
    int mDateMode = 0;
    bool mAnyName = true;        // the filter is "*.*": no name test
    bool mPatternMatching = false;
    QString mScanFilter;         // upper case, ending in ";"
    QByteArray mScanFilterUtf8;
    std::vector<WildcardPattern> mPatterns;
    std::shared_ptr<bool> mAlive;
};

} // namespace mv
