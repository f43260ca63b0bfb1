#include "thumbs/sqlitedb.h"

#include <QFile>

#include <sqlite3.h>

namespace mv {

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(mStmt);
}

SqliteStatement &SqliteStatement::operator=(SqliteStatement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(mStmt);
        mStmt = std::exchange(other.mStmt, nullptr);
    }
    return *this;
}

SqliteStatement &SqliteStatement::Bind(int index, const QString &text)
{
    if (mStmt) {
        if (index == 1)
            Reset();
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(mStmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    return *this;
}

SqliteStatement &SqliteStatement::Bind(int index, const QByteArray &blob)
{
    if (mStmt) {
        if (index == 1)
            Reset();
        // A zero-length blob is still a blob, not NULL.
        sqlite3_bind_blob64(mStmt, index, blob.isNull() ? "" : blob.constData(), sqlite3_uint64(blob.size()),
                            SQLITE_TRANSIENT);
    }
    return *this;
}

SqliteStatement &SqliteStatement::Bind(int index, qint64 value)
{
    if (mStmt) {
        if (index == 1)
            Reset();
        sqlite3_bind_int64(mStmt, index, value);
    }
    return *this;
}

int SqliteStatement::Step()
{
    return mStmt ? sqlite3_step(mStmt) : SQLITE_MISUSE;
}

void SqliteStatement::Reset()
{
    if (mStmt)
        sqlite3_reset(mStmt);
}

QString SqliteStatement::Text(int column) const
{
    if (!mStmt)
        return {};
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(mStmt, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(mStmt, column)) : QString();
}

qint64 SqliteStatement::Int(int column) const
{
    return mStmt ? sqlite3_column_int64(mStmt, column) : 0;
}

QByteArray SqliteStatement::Blob(int column, qint64 offset, qint64 length) const
{
    if (!mStmt)
        return {};
    const auto *data = static_cast<const char *>(sqlite3_column_blob(mStmt, column));
    const qint64 size = sqlite3_column_bytes(mStmt, column);
    if (!data || offset < 0 || offset >= size)
        return {};
    const qint64 available = size - offset;
    const qint64 take = length < 0 ? available : qMin(length, available);
    return QByteArray(data + offset, qsizetype(take));
}

qint64 SqliteStatement::Bytes(int column) const
{
    return mStmt ? sqlite3_column_bytes(mStmt, column) : 0;
}

SqliteDb::~SqliteDb()
{
    Close();
}

SqliteDb &SqliteDb::operator=(SqliteDb &&other) noexcept
{
    if (this != &other) {
        Close();
        mDb = std::exchange(other.mDb, nullptr);
        mError = std::move(other.mError);
    }
    return *this;
}

int SqliteDb::Open(const QString &path, bool create)
{
    Close();
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &mDb, flags, nullptr);
    if (code != SQLITE_OK) {
        mError = QString::fromUtf8(mDb ? sqlite3_errmsg(mDb) : sqlite3_errstr(code));
        sqlite3_close_v2(mDb);
        mDb = nullptr;
        return code;
    }
    sqlite3_extended_result_codes(mDb, 1);
    mError.clear();
    return SQLITE_OK;
}

void SqliteDb::Close()
{
    if (mDb) {
        // Statements still open are finalized by their owners; close_v2 waits for them.
        sqlite3_close_v2(mDb);
        mDb = nullptr;
    }
}

SqliteStatement SqliteDb::Prepare(const char *sql)
{
    if (!mDb)
        return {};
    sqlite3_stmt *stmt = nullptr;
    const int code = sqlite3_prepare_v3(mDb, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (code != SQLITE_OK) {
        Remember(code);
        sqlite3_finalize(stmt);
        return {};
    }
    return SqliteStatement(stmt);
}

int SqliteDb::Exec(const char *sql)
{
    if (!mDb)
        return SQLITE_MISUSE;
    const int code = sqlite3_exec(mDb, sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        Remember(code);
    return code;
}

bool SqliteDb::InTransaction() const
{
    return mDb && !sqlite3_get_autocommit(mDb);
}

bool SqliteDb::IsReadOnly() const
{
    return mDb && sqlite3_db_readonly(mDb, "main") == 1;
}

int SqliteDb::ErrorCode() const
{
    return mDb ? sqlite3_extended_errcode(mDb) : SQLITE_CANTOPEN;
}

void SqliteDb::Remember(int code)
{
    mError = QString::fromUtf8(mDb ? sqlite3_errmsg(mDb) : sqlite3_errstr(code));
}

bool IsDamageCode(int code)
{
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

} // namespace mv
