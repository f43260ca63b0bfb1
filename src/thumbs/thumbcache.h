#pragma once

#include "thumbs/thumbformat.h"

#include <QString>

#include <functional>
#include <optional>

namespace mv {

// The thumbnail cache of a folder: the SQLite file Thumbs.mvd in it, with the table
// tblThumbnail (Path, Date, Thumbnail) and the unique index IDPath on Path. One cache is
// open at a time, on the user-interface thread only.

inline constexpr const char *ThumbCacheName = "Thumbs.mvd";

enum class ThumbCacheState {
    Closed,       // no cache open
    Opened,       // the folder's cache as it was
    Created,      // a new cache made for the folder
    Replaced,     // our own cache was damaged and has been made anew
    Foreign,      // a file of that name that is not our cache: left alone, no cache this time
    Unavailable,  // no cache can be made or opened there (a read-only folder, for one)
};

struct ThumbCacheStatus {
    ThumbCacheState state = ThumbCacheState::Closed;
    QString path;    // the cache file
    QString error;   // why there is no cache
    bool IsOpen() const
    {
        return state == ThumbCacheState::Opened || state == ThumbCacheState::Created
               || state == ThumbCacheState::Replaced;
    }
};

// The cache file of a folder (ending in "/"): Thumbs.mvd in it, or in the program's folder
// when the folder is the desktop, which gets no cache file.
[[nodiscard]] QString ThumbCachePath(const QString &folder);

// Closes the open cursor and cache, then opens the folder's cache, making it when missing.
// A file of that name that is no cache of ours is never changed; without a cache, looking up
// finds nothing and writing stores nothing.
ThumbCacheStatus OpenThumbCache(const QString &folder);
void CloseThumbCache();
// How the cache open now came to be, or Closed.
[[nodiscard]] ThumbCacheStatus ThumbCacheNow();

// The table cursor of a build. Writes through it are batched in transactions that are
// committed at least once a second and when the cursor or the cache closes.
bool OpenThumbTable();
void CloseThumbTable();
[[nodiscard]] bool ThumbTableIsOpen();

// Exact look-up of a full path; the row found is the one read and replaced next.
[[nodiscard]] bool SeekThumb(const QString &path);
struct ThumbEntry {
    QString Date;
    ThumbnailBytes Thumbnail;
};
// The row found: the header is the first 40 bytes, the pixels as many bytes from offset 40
// as the header's image size says (fewer where the stored value ends).
[[nodiscard]] ThumbEntry ReadThumb();
bool AddThumb(const QString &path, const QString &date, const ThumbnailBytes &thumbnail);
bool ReplaceThumb(const QString &date, const ThumbnailBytes &thumbnail);
// The stored date of a path, without moving the cursor; empty when there is no row.
[[nodiscard]] std::optional<QString> PeekThumbDate(const QString &path);

// Deletes from the open cache every row whose path begins with the folder text, whatever
// characters it holds. status, when given, gets "Deleting folder thumbnails..." before and
// "Done" after, also when nothing could be deleted.
using ThumbStatusText = std::function<void(const QString &)>;
void DeleteFolderThumbs(const QString &folder, const ThumbStatusText &status = {});

// The application id that marks a cache file as ours.
inline constexpr int ThumbCacheAppId = 0x4D565443;

} // namespace mv
