// The thumbnail builder: listing, the validity test, the steps and texts of a build,
// cancellation, nested builds and the list build, with and without workers rendering ahead.

#include "../imaging/fixtures.h"
#include "app/appstate.h"
#include "fakes.h"
#include "fs/fileops.h"
#include "imaging/gdiplus.h"
#include "testutil.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/renderahead.h"
#include "thumbs/renderthumbnail.h"
#include "thumbs/thumbcache.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

#include <sqlite3.h>

using namespace mv;
using namespace mv::test;
using namespace mv::mThumbnail;

namespace {

// Runs fn inside the builder's next yield.
void InNextYield(std::function<void()> fn)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

ThumbnailBytes Sentinel()
{
    QImage picture(ThumbWidth, ThumbHeight, QImage::Format_RGB555);
    picture.fill(qRgb(255, 0, 255));
    return ThumbnailFromImage(picture);
}

// Writes the row of a path straight into a cache file, as another build would have.
void PutRow(const QString &folder, const QString &path, const QString &date, const ThumbnailBytes &bytes)
{
    OpenThumbCache(folder);
    OpenThumbTable();
    if (SeekThumb(path))
        ReplaceThumb(date, bytes);
    else
        AddThumb(path, date, bytes);
    CloseThumbCache();
}

int RowCount(const QString &folder)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(folder + QStringLiteral("Thumbs.mvd")).constData(), &db, SQLITE_OPEN_READONLY,
                    nullptr);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM tblThumbnail", -1, &stmt, nullptr);
    const int n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return n;
}

} // namespace

class TestMThumbnail : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    quint32 mToken = 0;

    // A folder of count PNG pictures, each its own colour and size.
    QString MakeFolder(const QString &name, int count, const QStringList &extra = {})
    {
        const QString folder = mDir.filePath(name) + QLatin1Char('/');
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i) {
            QImage picture(60 + i * 7, 40 + i * 3, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv(i * 40 % 360, 220, 220));
            WriteBytes(folder + QStringLiteral("img%1.png").arg(i, 2, 10, QLatin1Char('0')), Encode(picture, "png"));
        }
        for (const QString &file : extra)
            WriteBytes(folder + file, QByteArray("not a picture"));
        return folder;
    }

    static QByteArray Rendered(const QString &path) { return RenderThumbnail(path).bytes.pixels; }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
    }
    void cleanupTestCase()
    {
        WaitForRenderWorkers();
        GdiplusShutdown(mToken);
    }
    void init()
    {
        SetRenderWorkers(2);
        ThumbBusy = false;
        AppClosing = false;
    }
    void cleanup()
    {
        CloseThumbCache();
        WaitForRenderWorkers();
        AppClosing = false;
    }

    // Supported types only, in name order; names without "." and folders are left out.
    void listsSupportedImages()
    {
        const QString folder = mDir.filePath(QStringLiteral("listing")) + QLatin1Char('/');
        QDir().mkpath(folder + QStringLiteral("folder.jpg"));
        for (const char *name : {"b.PNG", "a.jpg", "notes.txt", "jpg", "png", "C.JpEg", "d.tif", ".hidden.jpg",
                                 "e.jpg.bak", "f.ico", "g.emf", "Thumbs.mvd"})
            QVERIFY(WriteBytes(folder + QLatin1String(name), QByteArray(7, 'x')));
        QList<ImageEntry> entries;
        QVERIFY(ListFolderImages(folder, entries));
        QStringList names;
        for (const ImageEntry &entry : entries)
            names << entry.name;
        QCOMPARE(names, QStringList({"a.jpg", "b.PNG", "C.JpEg", "d.tif", "f.ico", "g.emf"}));
        QCOMPARE(entries.first().size, qint64(7));
        QCOMPARE(entries.first().date, mThumbnail::FileTimeText(GetFindData(folder + QStringLiteral("a.jpg")).lastWriteTime));

        QVERIFY(!ListFolderImages(mDir.filePath(QStringLiteral("no-such/")), entries));
        QVERIFY(entries.isEmpty());
    }

    void listsFoundLines()
    {
        const QString folder = MakeFolder(QStringLiteral("found"), 1, {QStringLiteral("x.txt")});
        QList<ImageEntry> entries;
        QVERIFY(ListFoundImages({folder + QStringLiteral("img00.png"), folder + QStringLiteral("x.txt"),
                                 folder + QStringLiteral("x.txt") + QChar(0) + QStringLiteral("tail")},
                                entries));
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.at(1).name, folder + QStringLiteral("x.txt")); // no type check here
        QCOMPARE(entries.at(2).name, folder + QStringLiteral("x.txt"));  // cut at the NUL
        QCOMPARE(entries.at(1).size, qint64(13));
        QCOMPARE(entries.at(0).date, GetFileTimeText(folder + QStringLiteral("img00.png")));

        QStringList many(32770, QStringLiteral("/no/such/file.png"));
        QVERIFY(ListFoundImages(many, entries));
        QCOMPARE(entries.size(), 32767);
    }

    // Local time in the locale's short date and a time of day with seconds; the found-file
    // form is another text for the same moment.
    void fileTimeText()
    {
        const QDateTime moment(QDate(2023, 11, 5), QTime(14, 7, 9), Qt::LocalTime);
        const qint64 ticks = FileTimeFromMSecs(moment.toMSecsSinceEpoch());
        const QString text = mThumbnail::FileTimeText(ticks);
        const QLocale locale = QLocale::system();
        QVERIFY2(text.startsWith(locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("07")) && text.contains(QStringLiteral("09")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("UTC")) && !text.contains(QStringLiteral("GMT")));
        QVERIFY(text != mv::FileTimeText(ticks));
        QCOMPARE(FoundText(1234567), QStringLiteral("找到 1,234,567 张图片"));
        QCOMPARE(FoundText(0), QStringLiteral("找到 0 张图片"));
    }

    // Every observable step of a folder build, in order, with a corrupt image among three.
    void folderBuildSteps()
    {
        SetRenderWorkers(0);
        const QString folder = MakeFolder(QStringLiteral("steps"), 2, {QStringLiteral("zz-broken.jpg")});
        FakeList list;
        FakePanel panel;
        panel.tree = folder;
        BuildFolderThumbs(folder, false, list, panel);
        QVERIFY(!ThumbBusy);

        QCOMPARE(panel.calls.mid(0, 6), QStringList({"Max 3", "Label3 找到 3 张图片", "Label2 3 张图片", "LayOut",
                                                      "HidePanels", "Value 1"}));
        QCOMPARE(panel.progressTexts.mid(1), QStringList({"找到 3 张图片 33%", "找到 3 张图片 67%", "找到 3 张图片 100%"}));
        QCOMPARE(panel.values, QList<int>({1, 2, 3, 0}));
        QCOMPARE(list.calls.mid(0, 7), QStringList({"SetRedraw 0", "ItemSetCount 3", "ItemAdd 0", "ItemAdd 1",
                                                     "ItemAdd 2", "ItemEnsureVisible 0", "SetRedraw 1"}));
        QCOMPARE(list.calls.mid(7), QStringList({"SetTBIH 0", "SetData 0", "RefreshItems 0 0", "SetTBIH 1",
                                                  "SetData 1", "RefreshItems 1 1", "SetTBIH 2", "SetData 2",
                                                  "RefreshItems 2 2"}));
        QCOMPARE(list.items.at(2).text, folder + QStringLiteral("zz-broken.jpg"));
        QCOMPARE(list.items.at(2).size, qint64(13));
        QCOMPARE(list.items.at(2).date, mThumbnail::FileTimeText(GetFindData(folder + QStringLiteral("zz-broken.jpg")).lastWriteTime));
        QCOMPARE(list.items.at(2).rote, 0);
        // The corrupt image shows the placeholder, 50 x 39 centred on white.
        const QImage broken = ThumbnailToImage(list.headers.at(2), list.pixels.at(2));
        QCOMPARE(broken.size(), QSize(170, 127));
        QCOMPARE(broken.pixel(59, 63), qRgb(255, 255, 255));
        QCOMPARE(broken.pixel(110, 63), qRgb(255, 255, 255));
        QVERIFY(broken.pixel(60, 44) != qRgb(255, 255, 255) || broken.pixel(85, 63) != qRgb(255, 255, 255));
        QCOMPARE(list.pixels.at(0), Rendered(folder + QStringLiteral("img00.png")));
        // Stored, placeholder included; the cache stays open, its cursor closed.
        QCOMPARE(RowCount(folder), 3);
        QVERIFY(ThumbCacheNow().IsOpen());
        QVERIFY(!ThumbTableIsOpen());
    }

    // A folder without images: the count label says so, the list is left alone, no cache.
    void emptyFolder()
    {
        const QString folder = MakeFolder(QStringLiteral("empty"), 0, {QStringLiteral("readme.txt")});
        FakeList list;
        FakePanel panel;
        panel.tree = folder;
        BuildFolderThumbs(folder, false, list, panel);
        QCOMPARE(panel.calls, QStringList({"Label2 0 张图片", "LayOut", "Value 0"}));
        QVERIFY(list.calls.isEmpty());
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("Thumbs.mvd")));
        QVERIFY(!ThumbBusy);
    }

    // Current entries come from the cache (dates compared without regard to case); others
    // are rendered again and replaced.
    void validity_data()
    {
        QTest::addColumn<int>("storedDate"); // 0 the same, 1 other case, 2 other text, 3 found-file form
        QTest::addColumn<bool>("rebuildAll");
        QTest::addColumn<bool>("fromCache");
        QTest::newRow("current") << 0 << false << true;
        QTest::newRow("current, other case") << 1 << false << true;
        QTest::newRow("edited since") << 2 << false << false;
        QTest::newRow("written by a list build") << 3 << false << false;
        QTest::newRow("rebuild all") << 0 << true << false;
    }

    void validity()
    {
        const QString folder = MakeFolder(QStringLiteral("valid%1").arg(QTest::currentDataTag()), 1);
        const QString path = folder + QStringLiteral("img00.png");
        const QString date = mThumbnail::FileTimeText(GetFindData(path).lastWriteTime);
        const int kind = MV_FETCH(int, storedDate);
        const QString stored = kind == 0   ? date
                               : kind == 1 ? (date.toUpper() != date ? date.toUpper() : date.toLower())
                               : kind == 2 ? QStringLiteral("1999/1/1 00:00:00")
                                           : GetFileTimeText(path);
        PutRow(folder, path, stored, Sentinel());
        FakeList list;
        FakePanel panel;
        panel.tree = folder;
        BuildFolderThumbs(folder, MV_FETCH(bool, rebuildAll), list, panel);
        const bool fromCache = MV_FETCH(bool, fromCache);
        QCOMPARE(list.pixels.at(0) == Sentinel().pixels, fromCache);
        OpenThumbTable();
        QVERIFY(SeekThumb(path));
        const ThumbEntry entry = ReadThumb();
        QCOMPARE(entry.Date, fromCache ? stored : date);
        QCOMPARE(entry.Thumbnail.pixels, fromCache ? Sentinel().pixels : Rendered(path));
    }

    // Cancelling stops the build after the image it is at; what workers made ahead goes
    // nowhere, and the next visit goes on from the cache.
    void cancelAfterCurrentImage_data()
    {
        QTest::addColumn<int>("workers");
        QTest::newRow("no workers") << 0;
        QTest::newRow("workers ahead") << 2;
    }

    void cancelAfterCurrentImage()
    {
        SetRenderWorkers(MV_FETCH(int, workers));
        const QString folder = MakeFolder(QStringLiteral("cancel%1").arg(RenderWorkers()), 8);
        FakeList list;
        FakePanel panel;
        panel.tree = folder;
        list.onRefresh = [](int i) {
            if (i == 1)
                InNextYield([] { CancelThumbBuild(); });
        };
        BuildFolderThumbs(folder, false, list, panel);
        QVERIFY(!ThumbBusy);
        QCOMPARE(list.count(), 8);
        QCOMPARE(list.Filled(), 2);
        QVERIFY(!list.headers.at(1).isEmpty() && list.headers.at(2).isEmpty());
        QCOMPARE(panel.values.last(), 0);
        WaitForRenderWorkers();
        QCOMPARE(list.Filled(), 2);
        CloseThumbCache();
        QCOMPARE(RowCount(folder), 2);

        // Back later: the first two come from the cache.
        PutRow(folder, folder + QStringLiteral("img00.png"),
               mThumbnail::FileTimeText(GetFindData(folder + QStringLiteral("img00.png")).lastWriteTime), Sentinel());
        FakeList again;
        BuildFolderThumbs(folder, false, again, panel);
        QCOMPARE(again.Filled(), 8);
        QCOMPARE(again.pixels.at(0), Sentinel().pixels);
        QCOMPARE(again.pixels.at(5), Rendered(folder + QStringLiteral("img05.png")));
        QCOMPARE(RowCount(folder), 8);
    }

    // A cancel while the build first yields (before the list is filled) leaves the list as
    // the caller emptied it.
    void cancelBeforeTheListFills()
    {
        const QString folder = MakeFolder(QStringLiteral("early"), 3);
        FakeList list;
        FakePanel panel;
        panel.tree = folder;
        InNextYield([] { CancelThumbBuild(); });
        BuildFolderThumbs(folder, false, list, panel);
        QVERIFY(list.calls.isEmpty());
        QCOMPARE(panel.calls, QStringList({"Value 0"}));
        QVERIFY(!ThumbBusy);
    }

    // Another build starts inside the paused one (the list emptied and the folder's rows
    // deleted first): the inner build fills the list, and the outer one stops when it
    // resumes. Nothing the outer build's workers made lands in the inner build's items.
    void nestedBuild_data()
    {
        QTest::addColumn<int>("workers");
        QTest::newRow("no workers") << 0;
        QTest::newRow("workers ahead") << 2;
    }

    void nestedBuild()
    {
        SetRenderWorkers(MV_FETCH(int, workers));
        const QString outer = MakeFolder(QStringLiteral("outer%1").arg(RenderWorkers()), 8);
        const QString inner = mDir.filePath(QStringLiteral("inner%1").arg(RenderWorkers())) + QLatin1Char('/');
        QDir().mkpath(inner);
        for (int i = 0; i < 8; ++i) {
            // The same names as the outer folder's, other pictures.
            QImage picture(90, 30 + i, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv(200 + i * 15, 255, 120));
            WriteBytes(inner + QStringLiteral("img%1.png").arg(i, 2, 10, QLatin1Char('0')), Encode(picture, "png"));
        }
        FakeList list;
        FakePanel panel;
        panel.tree = outer;
        int outerCallsAtStart = -1;
        bool innerRan = false;
        list.onRefresh = [&](int i) {
            if (innerRan || i != 1 || panel.tree != outer)
                return;
            InNextYield([&] {
                list.Clear();
                DeleteFolderThumbs(outer);
                innerRan = true;
                outerCallsAtStart = int(list.calls.size());
                panel.tree = inner;
                BuildFolderThumbs(inner, false, list, panel);
            });
        };
        BuildFolderThumbs(outer, false, list, panel);
        QVERIFY(innerRan);
        QVERIFY(!ThumbBusy);
        QCOMPARE(list.count(), 8);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(list.items.at(i).text, inner + QStringLiteral("img%1.png").arg(i, 2, 10, QLatin1Char('0')));
            QCOMPARE(list.pixels.at(i), Rendered(list.items.at(i).text));
        }
        // After the inner build's last image, the outer one only closed its cursor.
        QVERIFY(list.calls.mid(outerCallsAtStart).endsWith(QStringLiteral("RefreshItems 7 7")));
        WaitForRenderWorkers();
        CloseThumbCache();
        QCOMPARE(RowCount(inner), 8);
        QCOMPARE(RowCount(outer), 0);
    }

    // The browser closing while a build yields ends the program: the build touches nothing
    // more.
    void appClosingEndsTheBuild()
    {
        const QString folder = MakeFolder(QStringLiteral("closing"), 4);
        FakeList list;
        FakePanel panel;
        panel.tree = folder;
        int listCalls = -1, panelCalls = -1;
        list.onRefresh = [&](int i) {
            if (i == 0)
                InNextYield([&] {
                    AppClosing = true;
                    listCalls = int(list.calls.size());
                    panelCalls = int(panel.calls.size());
                });
        };
        BuildFolderThumbs(folder, false, list, panel);
        QCOMPARE(int(list.calls.size()), listCalls);
        QCOMPARE(int(panel.calls.size()), panelCalls);
        ThumbBusy = false;
    }

    // The files a search found: full paths as item texts, each folder's cache used, found
    // entries taken as stored; the last cache and its cursor stay open.
    void listBuild_data()
    {
        QTest::addColumn<int>("workers");
        QTest::newRow("no workers") << 0;
        QTest::newRow("workers ahead") << 2;
    }

    void listBuild()
    {
        SetRenderWorkers(MV_FETCH(int, workers));
        const QString one = MakeFolder(QStringLiteral("list-one%1").arg(RenderWorkers()), 3);
        const QString two = MakeFolder(QStringLiteral("list-two%1").arg(RenderWorkers()), 2, {QStringLiteral("bad.txt")});
        PutRow(one, one + QStringLiteral("img01.png"), QStringLiteral("any date at all"), Sentinel());
        FakeList list;
        FakePanel panel;
        panel.results = QStringList{one + QStringLiteral("img00.png"), one + QStringLiteral("img01.png"),
                                    one + QStringLiteral("img02.png"), two + QStringLiteral("img00.png"),
                                    two + QStringLiteral("bad.txt"), two + QStringLiteral("img01.png")};
        BuildListThumbs(list, panel);
        QVERIFY(!ThumbBusy);
        QCOMPARE(list.count(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(list.items.at(i).text, panel.results.at(i));
        QCOMPARE(list.items.at(3).date, GetFileTimeText(two + QStringLiteral("img00.png")));
        QCOMPARE(list.pixels.at(1), Sentinel().pixels);
        QCOMPARE(list.pixels.at(5), Rendered(two + QStringLiteral("img01.png")));
        QCOMPARE(panel.countTexts, QStringList({"6 张图片"}));
        QVERIFY(ThumbTableIsOpen());
        QCOMPARE(ThumbCacheNow().path, two + QStringLiteral("Thumbs.mvd"));
        CloseThumbCache();
        QCOMPARE(RowCount(one), 3);
        QCOMPARE(RowCount(two), 3);
        // Its rows carry the found-file date form: a folder visit renders them again.
        FakeList visit;
        BuildFolderThumbs(two, false, visit, panel);
        OpenThumbTable();
        QVERIFY(SeekThumb(two + QStringLiteral("img00.png")));
        QCOMPARE(ReadThumb().Date, mThumbnail::FileTimeText(GetFindData(two + QStringLiteral("img00.png")).lastWriteTime));
    }

    // A file of the cache's name that is not our cache: thumbnails all the same, the file
    // untouched.
    void foreignCacheFile()
    {
        const QString folder = MakeFolder(QStringLiteral("foreign"), 3);
        const QByteArray theirs("someone else's Thumbs.mvd\n");
        QVERIFY(WriteBytes(folder + QStringLiteral("Thumbs.mvd"), theirs));
        FakeList list;
        FakePanel panel;
        panel.tree = folder;
        BuildFolderThumbs(folder, false, list, panel);
        QCOMPARE(list.Filled(), 3);
        QCOMPARE(list.pixels.at(2), Rendered(folder + QStringLiteral("img02.png")));
        CloseThumbCache();
        QCOMPARE(ReadBytes(folder + QStringLiteral("Thumbs.mvd")), theirs);
    }

    // Our cache found damaged during a visit is made anew, and every image still gets its
    // thumbnail.
    void damagedCacheDuringVisit()
    {
        SetRenderWorkers(0);
        const QString folder = MakeFolder(QStringLiteral("damaged"), 4);
        FakeList first;
        FakePanel panel;
        panel.tree = folder;
        BuildFolderThumbs(folder, false, first, panel);
        CloseThumbCache();
        QByteArray bytes = ReadBytes(folder + QStringLiteral("Thumbs.mvd"));
        for (qsizetype i = 4096; i < bytes.size(); ++i)
            bytes[i] = char(0x5A ^ (i & 0xFF));
        QVERIFY(WriteBytes(folder + QStringLiteral("Thumbs.mvd"), bytes));

        FakeList again;
        BuildFolderThumbs(folder, false, again, panel);
        QCOMPARE(again.Filled(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(again.pixels.at(i), Rendered(again.items.at(i).text));
        QCOMPARE(ThumbCacheNow().state, ThumbCacheState::Replaced);
        CloseThumbCache();
        QCOMPARE(RowCount(folder), 4);
    }

    // A turned thumbnail goes to the item's own slot only; the cache keeps the upright one.
    void rotateItem()
    {
        const QString folder = mDir.filePath(QStringLiteral("rotate")) + QLatin1Char('/');
        QDir().mkpath(folder);
        WriteBytes(folder + QStringLiteral("a.png"), Encode(Quadrants(120, 60), "png"));
        WriteBytes(folder + QStringLiteral("b.png"), Encode(Quadrants(120, 60), "png"));
        FakeList list;
        FakePanel panel;
        panel.tree = folder;
        BuildFolderThumbs(folder, false, list, panel);
        const QByteArray upright = list.pixels.at(1);
        list.items.removeAt(0); // b.png is now at position 0, with slot 1
        RotateItemThumbnail(folder + QStringLiteral("b.png"), 0, 1, list);
        QCOMPARE(list.pixels.at(1), RenderThumbnail(folder + QStringLiteral("b.png"), 1).bytes.pixels);
        QVERIFY(list.pixels.at(1) != upright);
        QCOMPARE(ThumbnailHeaderSize(list.headers.at(1)), QSize(170, 127));
        QCOMPARE(list.pixels.at(0), Rendered(folder + QStringLiteral("a.png")));
        OpenThumbTable();
        QVERIFY(SeekThumb(folder + QStringLiteral("b.png")));
        QCOMPARE(ReadThumb().Thumbnail.pixels, upright);
    }

    // Renders handed to workers come back as the same bytes; dropped ones are not used.
    void workersRenderAhead()
    {
        SetRenderWorkers(2);
        const QString folder = MakeFolder(QStringLiteral("ahead"), 6);
        RenderAhead ahead;
        QCOMPARE(ahead.Depth(), 4);
        for (int i = 0; i < 6; ++i)
            ahead.Submit(i, folder + QStringLiteral("img%1.png").arg(i, 2, 10, QLatin1Char('0')));
        ahead.Drop(5);
        WaitForRenderWorkers();
        for (int i = 0; i < 5; ++i) {
            const QString path = folder + QStringLiteral("img%1.png").arg(i, 2, 10, QLatin1Char('0'));
            QCOMPARE(ahead.Take(i, path).pixels, Rendered(path));
        }
        QCOMPARE(ahead.TakenFromWorkers(), 5);
        // Another path than the one handed over: made here.
        ahead.Submit(7, folder + QStringLiteral("img00.png"));
        WaitForRenderWorkers();
        QCOMPARE(ahead.Take(7, folder + QStringLiteral("img01.png")).pixels, Rendered(folder + QStringLiteral("img01.png")));
        QCOMPARE(ahead.TakenFromWorkers(), 5);
    }
};

MV_TEST_MAIN(TestMThumbnail)
#include "tst_mthumbnail.moc"
