#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace mv {

class SqliteDb;

// One prepared statement; finalized when it goes. Values are always bound, never pasted
// into the statement's text.
class SqliteStatement
{
public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(SqliteStatement &&other) noexcept : mStmt(std::exchange(other.mStmt, nullptr)) {}
    SqliteStatement &operator=(SqliteStatement &&other) noexcept;
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool IsValid() const { return mStmt != nullptr; }

    // Binding value 1 resets the statement first, so that it can be run again at once.
    SqliteStatement &Bind(int index, const QString &text);
    SqliteStatement &Bind(int index, const QByteArray &blob);
    SqliteStatement &Bind(int index, qint64 value);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Releases what the last step held (its read lock among them).
    void Reset();

    QString Text(int column) const;
    qint64 Int(int column) const;
    // The value's bytes from offset on, at most length of them (fewer where it ends).
    QByteArray Blob(int column, qint64 offset = 0, qint64 length = -1) const;
    qint64 Bytes(int column) const;

private:
    friend class SqliteDb;
    explicit SqliteStatement(sqlite3_stmt *stmt) : mStmt(stmt) {}
    sqlite3_stmt *mStmt = nullptr;
};

// One open database connection; closed when it goes.
class SqliteDb
{
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(SqliteDb &&other) noexcept : mDb(std::exchange(other.mDb, nullptr)), mError(std::move(other.mError)) {}
    SqliteDb &operator=(SqliteDb &&other) noexcept;
    SqliteDb(const SqliteDb &) = delete;
    SqliteDb &operator=(const SqliteDb &) = delete;

    // Opens an existing file for reading and writing (read-only where it cannot be written),
    // or creates it when create is set. The result is an SQLite code.
    [[nodiscard]] int Open(const QString &path, bool create);
    void Close();
    bool IsOpen() const { return mDb != nullptr; }

    // An empty statement when it does not compile; Error() says why.
    [[nodiscard]] SqliteStatement Prepare(const char *sql);
    // Runs statements that take no values. The result is an SQLite code.
    [[nodiscard]] int Exec(const char *sql);
    bool InTransaction() const;
    bool IsReadOnly() const;

    int ErrorCode() const;
    QString Error() const { return mError; }
    sqlite3 *Handle() const { return mDb; }

private:
    void Remember(int code);
    sqlite3 *mDb = nullptr;
    QString mError;
};

// Codes that say the file is no sound database.
bool IsDamageCode(int code);

} // namespace mv
