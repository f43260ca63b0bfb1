#include "thumbs/thumbcachefile.h"

#include "thumbs/thumbcache.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <cstdio>

#include <sqlite3.h>

namespace mv {

namespace {

// One value of a statement that takes none; the SQLite code of a failure in code.
std::optional<qint64> QueryInt(SqliteDb &db, const char *sql, int &code)
{
    SqliteStatement statement = db.Prepare(sql);
    if (!statement.IsValid()) {
        code = db.ErrorCode();
        return std::nullopt;
    }
    code = statement.Step();
    if (code == SQLITE_ROW) {
        code = SQLITE_OK;
        return statement.Int(0);
    }
    return std::nullopt;
}

// The texts of one column of a statement's rows; false with the code when it fails.
bool QueryTexts(SqliteDb &db, const char *sql, int column, QStringList &out, int &code)
{
    SqliteStatement statement = db.Prepare(sql);
    if (!statement.IsValid()) {
        code = db.ErrorCode();
        return false;
    }
    while ((code = statement.Step()) == SQLITE_ROW)
        out.append(statement.Text(column));
    if (code != SQLITE_DONE)
        return false;
    code = SQLITE_OK;
    return true;
}

// The table with its three fields and the unique one-field index IDPath on Path.
bool HasOurLayout(SqliteDb &db, int &code)
{
    QStringList fields;
    if (!QueryTexts(db, "PRAGMA table_info(tblThumbnail)", 1, fields, code))
        return false;
    for (const char *name : {"Path", "Date", "Thumbnail"}) {
        if (!fields.contains(QLatin1String(name), Qt::CaseInsensitive))
            return false;
    }
    SqliteStatement indexes = db.Prepare("PRAGMA index_list(tblThumbnail)");
    if (!indexes.IsValid()) {
        code = db.ErrorCode();
        return false;
    }
    bool uniqueIndex = false;
    while ((code = indexes.Step()) == SQLITE_ROW) {
        if (indexes.Text(1).compare(QLatin1String("IDPath"), Qt::CaseInsensitive) == 0)
            uniqueIndex = indexes.Int(2) == 1;
    }
    if (code != SQLITE_DONE)
        return false;
    code = SQLITE_OK;
    QStringList columns;
    if (!uniqueIndex || !QueryTexts(db, "PRAGMA index_info(IDPath)", 2, columns, code))
        return false;
    return columns.size() == 1 && columns.first().compare(QLatin1String("Path"), Qt::CaseInsensitive) == 0;
}

} // namespace

CacheFileKind InspectCacheFile(SqliteDb &db)
{
    sqlite3_busy_timeout(db.Handle(), CacheBusyMs);
    int code = SQLITE_OK;
    const std::optional<qint64> appId = QueryInt(db, "PRAGMA application_id", code);
    if (!appId)
        return IsDamageCode(code) ? CacheFileKind::Foreign : CacheFileKind::Unreadable;
    const bool ours = *appId == ThumbCacheAppId;
    if (HasOurLayout(db, code))
        return CacheFileKind::Sound;
    if (code != SQLITE_OK && !IsDamageCode(code))
        return CacheFileKind::Unreadable;
    if (ours)
        return CacheFileKind::Damaged;
    const std::optional<qint64> tables = QueryInt(db, "SELECT count(*) FROM sqlite_master", code);
    if (!tables)
        return IsDamageCode(code) ? CacheFileKind::Foreign : CacheFileKind::Unreadable;
    return *tables == 0 && *appId == 0 ? CacheFileKind::Empty : CacheFileKind::Foreign;
}

bool InitCacheFile(SqliteDb &db)
{
    sqlite3_busy_timeout(db.Handle(), CacheBusyMs);
    // Another program may make the same cache at the same moment: whoever comes second
    // finds everything there.
    const QByteArray script = "BEGIN IMMEDIATE;"
                              "CREATE TABLE IF NOT EXISTS tblThumbnail (Path TEXT, Date TEXT, Thumbnail BLOB);"
                              "CREATE UNIQUE INDEX IF NOT EXISTS IDPath ON tblThumbnail (Path);"
                              "PRAGMA application_id = "
                              + QByteArray::number(ThumbCacheAppId) + ";COMMIT;";
    const int code = db.Exec(script.constData());
    if (code != SQLITE_OK) {
        if (db.InTransaction())
            (void)db.Exec("ROLLBACK");
        return false;
    }
    return true;
}

bool ReplaceCacheFile(const QString &path, QString &error)
{
    const QString fresh = path + QStringLiteral(".new-%1-%2")
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    {
        SqliteDb db;
        if (db.Open(fresh, true) != SQLITE_OK || !InitCacheFile(db)) {
            error = db.Error();
            db.Close();
            QFile::remove(fresh);
            return false;
        }
    }
    QFile::remove(path + QStringLiteral("-journal"));
    if (std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) != 0) {
        error = QStringLiteral("cannot put the new cache in place");
        QFile::remove(fresh);
        return false;
    }
    return true;
}

} // namespace mv
