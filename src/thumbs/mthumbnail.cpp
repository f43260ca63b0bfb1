#include "thumbs/mthumbnail.h"

#include "app/appstate.h"
#include "app/paths.h"
#include "thumbs/renderahead.h"
#include "thumbs/renderthumbnail.h"
#include "thumbs/thumbcache.h"

#include <QCoreApplication>

namespace mv::mThumbnail {

namespace {

QString gCurrentFolder;
// The renders of the builds running now; a build started inside another one's yield comes
// last.
QList<RenderAhead *> gRenders;

// A build's renders, known to CancelThumbBuild and to the builds that start after it.
class RenderScope
{
public:
    RenderScope()
    {
        // A new build means the ones paused under it show nothing more.
        for (RenderAhead *other : std::as_const(gRenders))
            other->CancelQueued();
        gRenders.append(&mAhead);
    }
    ~RenderScope() { gRenders.removeOne(&mAhead); }
    RenderAhead &ahead() { return mAhead; }

private:
    RenderAhead mAhead;
};

enum class Next { Go, Stop, Closing };

// Lets the user interface run, then says whether the build goes on.
Next Yield()
{
    QCoreApplication::processEvents();
    if (AppClosing)
        return Next::Closing;
    return ThumbBusy ? Next::Go : Next::Stop;
}

// The browser has closed its windows: the program ends, and nothing more is touched.
void Terminate()
{
    QCoreApplication::exit(0);
}

QString PercentText(int done, int total)
{
    return QStringLiteral("%1").arg(qRound(100.0 * done / total), 2, 10, QLatin1Char('0'));
}

QString WithSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// The cache of a found file's folder, opened unless it is the one open (or known to be
// unusable) already: opening it again would change nothing but cost a commit.
void UseCacheOf(const QString &folder)
{
    const ThumbCacheStatus now = ThumbCacheNow();
    if (now.state != ThumbCacheState::Closed && now.path == ThumbCachePath(folder)
        && (ThumbTableIsOpen() || !now.IsOpen()))
        return;
    OpenThumbCache(folder);
    OpenThumbTable();
}

struct Build {
    const QList<ImageEntry> &entries;
    bool listBuild = false;
    bool rebuildAll = false;
    QString folder;   // folder build: the folder of every entry

    QString PathOf(int i) const { return listBuild ? entries.at(i).name : folder + entries.at(i).name; }

    // Whether the image is worth rendering ahead: the open cache has no current entry for it.
    // In a list build only the files of the folder whose cache is open can be told.
    bool NeedsRender(int i) const
    {
        const QString path = PathOf(i);
        if (listBuild) {
            const ThumbCacheStatus now = ThumbCacheNow();
            if (now.path != ThumbCachePath(FolderOf(path)))
                return false;
            return !now.IsOpen() || !PeekThumbDate(path);
        }
        if (rebuildAll)
            return true;
        const std::optional<QString> date = PeekThumbDate(path);
        return !date || date->compare(entries.at(i).date, Qt::CaseInsensitive) != 0;
    }

    // The thumbnail of item i: from the cache when current, else rendered and stored.
    ThumbnailBytes Thumbnail(int i, RenderAhead &ahead) const
    {
        const QString path = PathOf(i);
        const QString &date = entries.at(i).date;
        if (SeekThumb(path)) {
            ThumbEntry entry = ReadThumb();
            // Nothing read and the row gone: the cache was found damaged and made anew.
            const bool gone = entry.Thumbnail.header.isEmpty() && !SeekThumb(path);
            if (!gone) {
                if (listBuild || (!rebuildAll && entry.Date.compare(date, Qt::CaseInsensitive) == 0)) {
                    ahead.Drop(i);
                    return std::move(entry.Thumbnail);
                }
                ThumbnailBytes bytes = ahead.Take(i, path);
                ReplaceThumb(date, bytes);
                return bytes;
            }
        }
        ThumbnailBytes bytes = ahead.Take(i, path);
        AddThumb(path, date, bytes);
        return bytes;
    }

    void Run(ThumbList &list, ThumbPanel &panel) const;
};

void Build::Run(ThumbList &list, ThumbPanel &panel) const
{
    RenderScope renders;
    RenderAhead &ahead = renders.ahead();
    const int n = int(entries.size());
    const auto finish = [&] {
        if (!listBuild)
            CloseThumbTable(); // the cache stays open
        ThumbBusy = false;
        panel.SetProgressValue(0);
    };
    if (n == 0) {
        panel.SetCountText(QStringLiteral("0 张图片"));
        panel.LayOutInfoStrip();
        if (AppClosing)
            return Terminate();
        return finish();
    }

    // A build cancelled while it yields stops there, before it fills a list that was emptied
    // for another folder meanwhile.
    Next next = Yield();
    if (next == Next::Go) {
        panel.SetProgressMax(n);
        panel.SetProgressText(FoundText(n));
        panel.SetCountText(QString::number(n) + QStringLiteral(" 张图片"));
        panel.LayOutInfoStrip();
        panel.HidePanels();
        next = Yield();
    }
    if (next == Next::Closing)
        return Terminate();
    if (next == Next::Stop)
        return finish();

    list.SetRedraw(false);
    list.ItemSetCount(n);
    for (int i = 0; i < n; ++i)
        list.ItemAdd(i, PathOf(i), entries.at(i).size, entries.at(i).date, 0);
    list.ItemEnsureVisible(0);
    list.SetRedraw(true);

    if (!listBuild) {
        const QString tree = WithSlash(ResolveDesktopLabel(panel.TreePath()));
        OpenThumbCache(tree.isEmpty() ? folder : tree);
        OpenThumbTable();
    }
    int planned = 1;
    for (int i = 0; i < qMin(list.count(), n) && !AppClosing; ++i) {
        panel.SetProgressValue(i + 1);
        panel.SetProgressText(FoundText(n) + QLatin1Char(' ') + PercentText(i + 1, n) + QLatin1Char('%'));
        if (listBuild)
            UseCacheOf(FolderOf(PathOf(i)));
        // The workers start on the next images while this one is looked up and shown.
        for (planned = qMax(planned, i + 1); planned < n && planned <= i + ahead.Depth(); ++planned) {
            if (NeedsRender(planned))
                ahead.Submit(planned, PathOf(planned));
        }
        const ThumbnailBytes bytes = Thumbnail(i, ahead);
        list.ThumbnailInfo_SetTBIH(i, bytes.header);
        list.ThumbnailInfo_SetData(i, bytes.pixels);
        list.RefreshItems(i, i);
        next = Yield();
        if (next != Next::Go)
            break;
    }
    if (AppClosing)
        return Terminate();
    finish();
}

} // namespace

QString CurrentFolder()
{
    return gCurrentFolder;
}

void BuildFolderThumbs(const QString &folder, bool rebuildAll, ThumbList &list, ThumbPanel &panel)
{
    gCurrentFolder = WithSlash(ResolveDesktopLabel(folder));
    ThumbBusy = true;
    // Listed before the first yield: nothing that happens in a yield changes the list.
    QList<ImageEntry> entries;
    ListFolderImages(gCurrentFolder, entries);
    Build{entries, false, rebuildAll, gCurrentFolder}.Run(list, panel);
}

void BuildListThumbs(ThumbList &list, ThumbPanel &panel)
{
    ThumbBusy = true;
    QList<ImageEntry> entries;
    ListFoundImages(panel.ResultList(), entries);
    Build{entries, true, false, QString()}.Run(list, panel);
}

void CancelThumbBuild()
{
    ThumbBusy = false;
    for (RenderAhead *renders : std::as_const(gRenders))
        renders->CancelQueued();
}

void RotateItemThumbnail(const QString &path, int index, int code, ThumbList &list)
{
    const int slot = list.ItemSlot(index);
    if (slot < 0)
        return;
    const ThumbnailBytes bytes = RenderThumbnail(path, code).bytes;
    list.ThumbnailInfo_SetTBIH(slot, bytes.header);
    list.ThumbnailInfo_SetData(slot, bytes.pixels);
}

} // namespace mv::mThumbnail
