#pragma once

#include "thumbs/sqlitedb.h"

#include <QString>

namespace mv {

// What a file named like a cache turned out to be.
enum class CacheFileKind {
    Sound,       // our layout: usable
    Empty,       // a database with nothing in it yet (new, or its making was cut short)
    Damaged,     // ours (by its application id) but not readable or not our layout
    Foreign,     // not a database, or someone else's: never ours to change
    Unreadable,  // could not be looked at now (locked, no access)
};

// Looks at the database open in db without changing it.
[[nodiscard]] CacheFileKind InspectCacheFile(SqliteDb &db);

// Gives an empty database the cache's table, index and application id.
[[nodiscard]] bool InitCacheFile(SqliteDb &db);

// Puts a new empty cache in place of a damaged one: made beside it and moved over it only
// when complete, the damaged file's journal removed first so that it cannot be played into
// the new file.
[[nodiscard]] bool ReplaceCacheFile(const QString &path, QString &error);

// Waits this long for another program's lock on the file before giving up.
inline constexpr int CacheBusyMs = 2000;

} // namespace mv
