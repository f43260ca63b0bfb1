#include "thumbs/thumbcache.h"

#include "app/paths.h"
#include "thumbs/sqlitedb.h"
#include "thumbs/thumbcachefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <sqlite3.h>

namespace mv {

namespace {

// The cursor works in transactions: a batch of writes is committed after this many rows or
// this long, whichever comes first, so that a first visit pays one disk sync per batch and a
// killed program loses at most one batch. Reads share the transaction, which spares a lock
// and a look at the file per statement; another program waits for it a second at most.
constexpr int BatchRows = 64;
constexpr int BatchMs = 1000;

struct CacheModule {
    SqliteDb db;
    ThumbCacheStatus status;
    bool ours = false;   // the file is known as our cache: replaced when found damaged
    bool cursorOpen = false;
    SqliteStatement seek, read, insert, update, peek;
    qint64 foundRow = -1;
    QString foundPath;
    QString foundDate;
    int batchRows = 0;
    QElapsedTimer batchAge;
    QPointer<QTimer> batchTimer;

    void FinalizeStatements()
    {
        seek = {};
        read = {};
        insert = {};
        update = {};
        peek = {};
        foundRow = -1;
    }
};

CacheModule &Module()
{
    static CacheModule module;
    return module;
}

bool Commit()
{
    CacheModule &m = Module();
    if (m.batchTimer)
        m.batchTimer->stop();
    if (!m.db.InTransaction())
        return true;
    if (m.db.Exec("COMMIT") != SQLITE_OK)
        return false;
    m.batchRows = 0;
    return true;
}

// Commits what can be committed and gives up the rest: the cache stays sound either way.
void EndBatch()
{
    CacheModule &m = Module();
    if (!Commit() && m.db.InTransaction())
        (void)m.db.Exec("ROLLBACK");
    m.batchRows = 0;
}

// The idle clock: a batch left open (a build paused in a dialog) is committed after a second.
void ArmBatchTimer()
{
    CacheModule &m = Module();
    if (!m.batchTimer && QCoreApplication::instance()) {
        m.batchTimer = new QTimer(QCoreApplication::instance());
        m.batchTimer->setSingleShot(true);
        QObject::connect(m.batchTimer, &QTimer::timeout, [] { (void)Commit(); });
    }
    if (m.batchTimer)
        m.batchTimer->start(BatchMs);
}

bool BeginBatch()
{
    CacheModule &m = Module();
    if (m.db.InTransaction())
        return true;
    if (m.db.Exec("BEGIN") != SQLITE_OK)
        return false;
    m.batchRows = 0;
    m.batchAge.start();
    ArmBatchTimer();
    return true;
}

void RowWritten()
{
    CacheModule &m = Module();
    if (++m.batchRows >= BatchRows || m.batchAge.elapsed() >= BatchMs)
        (void)Commit();
}

void RowRead()
{
    CacheModule &m = Module();
    if (m.batchAge.elapsed() >= BatchMs)
        (void)Commit();
}

bool PrepareCursor()
{
    CacheModule &m = Module();
    m.seek = m.db.Prepare("SELECT rowid, Date FROM tblThumbnail WHERE Path = ?1");
    m.read = m.db.Prepare("SELECT Thumbnail FROM tblThumbnail WHERE rowid = ?1");
    m.insert = m.db.Prepare("INSERT INTO tblThumbnail (Path, Date, Thumbnail) VALUES (?1, ?2, ?3)");
    m.update = m.db.Prepare("UPDATE tblThumbnail SET Date = ?1, Thumbnail = ?2 WHERE rowid = ?3");
    m.peek = m.db.Prepare("SELECT Date FROM tblThumbnail WHERE Path = ?1");
    m.foundRow = -1;
    if (m.seek.IsValid() && m.read.IsValid() && m.insert.IsValid() && m.update.IsValid() && m.peek.IsValid())
        return true;
    m.FinalizeStatements();
    return false;
}

ThumbCacheStatus Unusable(ThumbCacheState state, const QString &path, const QString &error)
{
    ThumbCacheStatus status;
    status.state = state;
    status.path = path;
    status.error = error;
    return status;
}

ThumbCacheStatus OpenFile(const QString &path, bool replaceDamaged)
{
    CacheModule &m = Module();
    const bool existed = QFileInfo::exists(path);
    if (existed && !QFileInfo(path).isFile())
        return Unusable(ThumbCacheState::Unavailable, path, QStringLiteral("not a file"));
    if (m.db.Open(path, !existed) != SQLITE_OK)
        return Unusable(ThumbCacheState::Unavailable, path, m.db.Error());
    ThumbCacheState state = existed ? ThumbCacheState::Opened : ThumbCacheState::Created;
    switch (InspectCacheFile(m.db)) {
    case CacheFileKind::Sound:
        break;
    case CacheFileKind::Empty:
        if (!InitCacheFile(m.db)) {
            const QString error = m.db.Error();
            m.db.Close();
            return Unusable(ThumbCacheState::Unavailable, path, error);
        }
        break;
    case CacheFileKind::Damaged: {
        m.db.Close();
        QString error;
        if (!replaceDamaged || !ReplaceCacheFile(path, error))
            return Unusable(ThumbCacheState::Unavailable, path, error);
        ThumbCacheStatus again = OpenFile(path, false);
        if (again.IsOpen())
            m.status.state = again.state = ThumbCacheState::Replaced;
        return again;
    }
    case CacheFileKind::Foreign:
        m.db.Close();
        return Unusable(ThumbCacheState::Foreign, path, QStringLiteral("not a thumbnail cache"));
    case CacheFileKind::Unreadable: {
        const QString error = m.db.Error();
        m.db.Close();
        return Unusable(ThumbCacheState::Unavailable, path, error);
    }
    }
    m.ours = true;
    m.status.state = state;
    m.status.path = path;
    m.status.error.clear();
    return m.status;
}

// Our cache turned out damaged in use: it is made anew and the cursor opened again.
bool Recover(int code)
{
    CacheModule &m = Module();
    if (!IsDamageCode(code) || !m.ours)
        return false;
    const QString path = m.status.path;
    const bool cursor = m.cursorOpen;
    CloseThumbCache();
    QString error;
    if (!ReplaceCacheFile(path, error)) {
        m.status = Unusable(ThumbCacheState::Unavailable, path, error);
        return false;
    }
    m.status = OpenFile(path, false);
    if (!m.status.IsOpen())
        return false;
    m.status.state = ThumbCacheState::Replaced;
    if (cursor)
        OpenThumbTable();
    return m.cursorOpen == cursor;
}

} // namespace

QString ThumbCachePath(const QString &folder)
{
    QString place = folder;
    if (place.compare(DesktopFolder(), Qt::CaseInsensitive) == 0)
        place = AppFolder();
    if (!place.endsWith(QLatin1Char('/')))
        place += QLatin1Char('/');
    return place + QLatin1String(ThumbCacheName);
}

ThumbCacheStatus OpenThumbCache(const QString &folder)
{
    CloseThumbCache();
    CacheModule &m = Module();
    m.status = OpenFile(ThumbCachePath(folder), true);
    if (!m.status.IsOpen()) {
        m.db.Close();
        m.ours = false;
    }
    return m.status;
}

void CloseThumbCache()
{
    CloseThumbTable();
    CacheModule &m = Module();
    EndBatch();
    m.db.Close();
    m.ours = false;
    m.status = ThumbCacheStatus{};
}

ThumbCacheStatus ThumbCacheNow()
{
    return Module().status;
}

bool OpenThumbTable()
{
    CacheModule &m = Module();
    CloseThumbTable();
    if (!m.db.IsOpen())
        return false;
    m.cursorOpen = PrepareCursor();
    return m.cursorOpen;
}

void CloseThumbTable()
{
    CacheModule &m = Module();
    if (!m.cursorOpen)
        return;
    EndBatch();
    m.FinalizeStatements();
    m.cursorOpen = false;
}

bool ThumbTableIsOpen()
{
    return Module().cursorOpen;
}

bool SeekThumb(const QString &path)
{
    CacheModule &m = Module();
    m.foundRow = -1;
    if (!m.cursorOpen)
        return false;
    (void)BeginBatch();
    int code = m.seek.Bind(1, path).Step();
    if (IsDamageCode(code) && Recover(code))
        code = m.seek.Bind(1, path).Step();
    if (code == SQLITE_ROW) {
        m.foundRow = m.seek.Int(0);
        m.foundPath = path;
        m.foundDate = m.seek.Text(1);
    }
    m.seek.Reset();
    RowRead();
    return m.foundRow >= 0;
}

ThumbEntry ReadThumb()
{
    CacheModule &m = Module();
    ThumbEntry entry;
    if (!m.cursorOpen || m.foundRow < 0)
        return entry;
    entry.Date = m.foundDate;
    (void)BeginBatch();
    const int code = m.read.Bind(1, m.foundRow).Step();
    if (code == SQLITE_ROW) {
        // A missing or short value is taken as it comes: the list shows what it can.
        entry.Thumbnail.header = m.read.Blob(0, 0, ThumbHeaderBytes);
        const quint32 size = ThumbnailImageBytes(entry.Thumbnail.header);
        entry.Thumbnail.pixels = m.read.Blob(0, ThumbHeaderBytes, qint64(size));
    }
    m.read.Reset();
    if (IsDamageCode(code))
        Recover(code);
    return entry;
}

bool AddThumb(const QString &path, const QString &date, const ThumbnailBytes &thumbnail)
{
    CacheModule &m = Module();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m.cursorOpen || m.db.IsReadOnly() || !BeginBatch())
            return false;
        const int code = m.insert.Bind(1, path).Bind(2, date).Bind(3, thumbnail.header + thumbnail.pixels).Step();
        m.insert.Reset();
        if (code == SQLITE_DONE) {
            RowWritten();
            return true;
        }
        if (!Recover(code))
            return false;
    }
    return false;
}

bool ReplaceThumb(const QString &date, const ThumbnailBytes &thumbnail)
{
    CacheModule &m = Module();
    if (!m.cursorOpen || m.foundRow < 0 || m.db.IsReadOnly() || !BeginBatch())
        return false;
    const int code = m.update.Bind(1, date).Bind(2, thumbnail.header + thumbnail.pixels).Bind(3, m.foundRow).Step();
    m.update.Reset();
    if (code == SQLITE_DONE) {
        RowWritten();
        return true;
    }
    // The cache made anew no longer has the row: it is added.
    const QString path = m.foundPath;
    return Recover(code) && AddThumb(path, date, thumbnail);
}

std::optional<QString> PeekThumbDate(const QString &path)
{
    CacheModule &m = Module();
    if (!m.cursorOpen)
        return std::nullopt;
    std::optional<QString> date;
    (void)BeginBatch();
    if (m.peek.Bind(1, path).Step() == SQLITE_ROW)
        date = m.peek.Text(0);
    m.peek.Reset();
    return date;
}

void DeleteFolderThumbs(const QString &folder, const ThumbStatusText &status)
{
    if (status)
        status(QStringLiteral("Deleting folder thumbnails..."));
    CacheModule &m = Module();
    if (m.db.IsOpen() && !m.db.IsReadOnly()) {
        // A prefix of the path text, compared as text: quotes, "%" and "_" in a folder's
        // name are only characters here.
        SqliteStatement remove = m.db.Prepare("DELETE FROM tblThumbnail WHERE substr(Path, 1, length(?1)) = ?1");
        const int code = remove.Bind(1, folder).Step();
        remove = {};
        if (code == SQLITE_DONE)
            (void)Commit();
        else
            Recover(code); // a cache made anew holds nothing to delete
    }
    if (status)
        status(QStringLiteral("Done"));
}

} // namespace mv
