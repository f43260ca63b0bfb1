// The thumbnail cache database: where it lives, its layout, looking up, reading and writing
// entries, the folder delete, batching and what it does with files it cannot trust.

#include "app/paths.h"
#include "testutil.h"
#include "thumbs/thumbcache.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QThread>

#include <sqlite3.h>

#include <cstdio>

using namespace mv;
using namespace mv::test;

namespace {

// A thumbnail whose bytes tell rows apart.
ThumbnailBytes Thumb(int seed)
{
    QImage picture(ThumbWidth, ThumbHeight, QImage::Format_RGB555);
    picture.fill(QColor::fromHsv(seed * 37 % 360, 200, 200));
    picture.setPixel(seed % ThumbWidth, 0, qRgb(255, 0, 0));
    return ThumbnailFromImage(picture);
}

// The test's own connection to a cache file, beside the module's.
class Raw
{
public:
    explicit Raw(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &mDb, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(mDb, 2000);
    }
    ~Raw() { sqlite3_close_v2(mDb); }
    QStringList Column(const char *sql, int column = 0) const
    {
        QStringList out;
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(mDb, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return {QStringLiteral("<error>")};
        while (sqlite3_step(stmt) == SQLITE_ROW)
            out.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column))));
        sqlite3_finalize(stmt);
        return out;
    }
    int Count() const
    {
        const QStringList n = Column("SELECT count(*) FROM tblThumbnail");
        return n.size() == 1 ? n.first().toInt() : -1;
    }
    QByteArray Blob(const QString &path) const
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(mDb, "SELECT Thumbnail FROM tblThumbnail WHERE Path = ?1", -1, &stmt, nullptr);
        const QByteArray key = path.toUtf8();
        sqlite3_bind_text(stmt, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
        QByteArray out("<none>");
        if (sqlite3_step(stmt) == SQLITE_ROW)
            out = QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, 0)), sqlite3_column_bytes(stmt, 0));
        sqlite3_finalize(stmt);
        return out;
    }
    void Exec(const char *sql) const { sqlite3_exec(mDb, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3 *mDb = nullptr;
};

// Run as a child: writes count rows into the folder's cache, says so, and waits to be killed.
int WriteAndWait(const QString &folder, int count)
{
    if (!OpenThumbCache(folder).IsOpen() || !OpenThumbTable())
        return 2;
    for (int i = 0; i < count; ++i) {
        if (!AddThumb(folder + QStringLiteral("img%1.jpg").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("d"),
                      Thumb(i)))
            return 3;
    }
    std::printf("written\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(10);
}

} // namespace

class TestThumbCache : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    QString Folder(const QString &name)
    {
        const QString folder = mDir.filePath(name) + QLatin1Char('/');
        QDir().mkpath(folder);
        return folder;
    }

private slots:
    void init() { CloseThumbCache(); }
    void cleanup() { CloseThumbCache(); }

    void firstOpenMakesTheLayout()
    {
        const QString folder = Folder(QStringLiteral("first"));
        const ThumbCacheStatus made = OpenThumbCache(folder);
        QCOMPARE(made.state, ThumbCacheState::Created);
        QCOMPARE(made.path, folder + QStringLiteral("Thumbs.mvd"));
        QVERIFY(QFileInfo(made.path).isFile());
        CloseThumbCache();

        Raw raw(made.path);
        QCOMPARE(raw.Column("PRAGMA table_info(tblThumbnail)", 1),
                 QStringList({QStringLiteral("Path"), QStringLiteral("Date"), QStringLiteral("Thumbnail")}));
        QCOMPARE(raw.Column("SELECT name FROM sqlite_master WHERE type = 'index'"), QStringList(QStringLiteral("IDPath")));
        QCOMPARE(raw.Column("PRAGMA index_list(tblThumbnail)", 2), QStringList(QStringLiteral("1")));  // unique
        QCOMPARE(raw.Column("PRAGMA index_info(IDPath)", 2), QStringList(QStringLiteral("Path")));
        QCOMPARE(raw.Column("PRAGMA application_id"), QStringList(QString::number(ThumbCacheAppId)));

        QCOMPARE(OpenThumbCache(folder).state, ThumbCacheState::Opened);
        QCOMPARE(ThumbCacheNow().path, made.path);
        CloseThumbCache();
        QCOMPARE(ThumbCacheNow().state, ThumbCacheState::Closed);
    }

    // The desktop gets no cache file: its cache is the program folder's.
    void desktopCacheInProgramFolder()
    {
        QDir().mkpath(DesktopFolder());
        QCOMPARE(ThumbCachePath(DesktopFolder()), AppFolder() + QStringLiteral("Thumbs.mvd"));
        QCOMPARE(ThumbCachePath(DesktopFolder().toUpper()), AppFolder() + QStringLiteral("Thumbs.mvd"));
        QCOMPARE(ThumbCachePath(QStringLiteral("/some/where/")), QStringLiteral("/some/where/Thumbs.mvd"));
        QVERIFY(OpenThumbCache(DesktopFolder()).IsOpen());
        QVERIFY(!QFileInfo::exists(DesktopFolder() + QStringLiteral("Thumbs.mvd")));
        QVERIFY(QFileInfo::exists(AppFolder() + QStringLiteral("Thumbs.mvd")));
        CloseThumbCache();
        QFile::remove(AppFolder() + QStringLiteral("Thumbs.mvd"));
    }

    void addSeekReadReplace()
    {
        const QString folder = Folder(QStringLiteral("rows"));
        QVERIFY(OpenThumbCache(folder).IsOpen());
        QVERIFY(!SeekThumb(folder + QStringLiteral("a.jpg"))); // no cursor yet
        QVERIFY(OpenThumbTable());
        const QString a = folder + QStringLiteral("a.jpg");
        QVERIFY(!SeekThumb(a));
        QCOMPARE(ReadThumb().Thumbnail.header, QByteArray()); // nothing found, nothing read
        QVERIFY(AddThumb(a, QStringLiteral("2024/5/1 10:00:00"), Thumb(1)));
        QVERIFY(AddThumb(folder + QStringLiteral("b.jpg"), QStringLiteral("2024/5/2 10:00:00"), Thumb(2)));
        QVERIFY(!AddThumb(a, QStringLiteral("again"), Thumb(3))); // the key is unique

        QVERIFY(SeekThumb(a));
        ThumbEntry entry = ReadThumb();
        QCOMPARE(entry.Date, QStringLiteral("2024/5/1 10:00:00"));
        QCOMPARE(entry.Thumbnail.header, Thumb(1).header);
        QCOMPARE(entry.Thumbnail.pixels, Thumb(1).pixels);

        QVERIFY(ReplaceThumb(QStringLiteral("2024/6/1 11:00:00"), Thumb(4)));
        QVERIFY(SeekThumb(a));
        entry = ReadThumb();
        QCOMPARE(entry.Date, QStringLiteral("2024/6/1 11:00:00"));
        QCOMPARE(entry.Thumbnail.pixels, Thumb(4).pixels);
        QCOMPARE(PeekThumbDate(folder + QStringLiteral("b.jpg")), std::optional<QString>(QStringLiteral("2024/5/2 10:00:00")));
        QCOMPARE(PeekThumbDate(folder + QStringLiteral("c.jpg")), std::nullopt);
        // Paths are exact: another case is another file here.
        QVERIFY(!SeekThumb(folder + QStringLiteral("A.jpg")));
        CloseThumbTable();

        // Stored as the header followed by the pixels, 43,220 bytes.
        Raw raw(ThumbCachePath(folder));
        const QByteArray blob = raw.Blob(a);
        QCOMPARE(blob.size(), qsizetype(43220));
        QCOMPARE(blob, Thumb(4).header + Thumb(4).pixels);
    }

    // The reader takes as many pixel bytes as the header says, and what there is when the
    // value is shorter or missing.
    void readsByTheHeader()
    {
        const QString folder = Folder(QStringLiteral("odd"));
        QVERIFY(OpenThumbCache(folder).IsOpen());
        QVERIFY(OpenThumbTable());
        ThumbnailBytes longer = Thumb(5);
        longer.pixels += QByteArray(100, 'x'); // beyond the image size: not read
        QVERIFY(AddThumb(folder + QStringLiteral("long.jpg"), QStringLiteral("d"), longer));
        ThumbnailBytes shorter = Thumb(6);
        shorter.pixels.chop(1000);
        QVERIFY(AddThumb(folder + QStringLiteral("short.jpg"), QStringLiteral("d"), shorter));
        CloseThumbTable();
        Raw(ThumbCachePath(folder)).Exec("INSERT INTO tblThumbnail (Path) VALUES ('" "/x/null.jpg" "')");

        QVERIFY(OpenThumbTable());
        QVERIFY(SeekThumb(folder + QStringLiteral("long.jpg")));
        QCOMPARE(ReadThumb().Thumbnail.pixels, Thumb(5).pixels);
        QVERIFY(SeekThumb(folder + QStringLiteral("short.jpg")));
        QCOMPARE(ReadThumb().Thumbnail.pixels, shorter.pixels);
        QVERIFY(SeekThumb(QStringLiteral("/x/null.jpg")));
        const ThumbEntry missing = ReadThumb();
        QCOMPARE(missing.Date, QString());
        QCOMPARE(missing.Thumbnail.header, QByteArray());
        QCOMPARE(missing.Thumbnail.pixels, QByteArray());
    }

    // A prefix of the path text: quotes, wildcards of the pattern language and upper case are
    // only characters.
    void deleteFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("kept");
        const QStringList all{"/p/it's/a.jpg", "/p/it's/sub/b.jpg", "/p/its/c.jpg",   "/p/100%/d.jpg",
                              "/p/100x/e.jpg", "/p/a_b/f.jpg",      "/p/axb/g.jpg",   "/p/A_B/h.jpg",
                              "/p/x*/i.jpg",   "/p/xy/j.jpg",       "/p/[ab]/k.jpg",  "/p/a/l.jpg",
                              "/p/照片/m.jpg", "/p/照片2/n.jpg",    "/q/it's/o.jpg"};
        const auto without = [&all](const QStringList &gone) {
            QStringList kept = all;
            for (const QString &g : gone)
                kept.removeAll(g);
            return kept;
        };
        QTest::newRow("apostrophe") << "/p/it's/" << without({"/p/it's/a.jpg", "/p/it's/sub/b.jpg"});
        QTest::newRow("percent") << "/p/100%/" << without({"/p/100%/d.jpg"});
        QTest::newRow("underscore") << "/p/a_b/" << without({"/p/a_b/f.jpg"});
        QTest::newRow("star") << "/p/x*/" << without({"/p/x*/i.jpg"});
        QTest::newRow("brackets") << "/p/[ab]/" << without({"/p/[ab]/k.jpg"});
        QTest::newRow("chinese") << "/p/照片/" << without({"/p/照片/m.jpg"});
        QTest::newRow("a name's start") << "/p/照片" << without({"/p/照片/m.jpg", "/p/照片2/n.jpg"});
        QTest::newRow("statement breaker") << "/p/'; DROP TABLE tblThumbnail; --/" << all;
        QTest::newRow("no such folder") << "/r/" << all;
    }

    void deleteFolder()
    {
        const QString folder = Folder(QStringLiteral("delete"));
        QFile::remove(ThumbCachePath(folder));
        QVERIFY(OpenThumbCache(folder).IsOpen());
        QVERIFY(OpenThumbTable());
        const QStringList paths{"/p/it's/a.jpg", "/p/it's/sub/b.jpg", "/p/its/c.jpg",   "/p/100%/d.jpg",
                                "/p/100x/e.jpg", "/p/a_b/f.jpg",      "/p/axb/g.jpg",   "/p/A_B/h.jpg",
                                "/p/x*/i.jpg",   "/p/xy/j.jpg",       "/p/[ab]/k.jpg",  "/p/a/l.jpg",
                                "/p/照片/m.jpg", "/p/照片2/n.jpg",    "/q/it's/o.jpg"};
        for (const QString &path : paths)
            QVERIFY(AddThumb(path, QStringLiteral("d"), Thumb(1)));
        QStringList said;
        DeleteFolderThumbs(MV_FETCH(QString, folder), [&said](const QString &text) { said.append(text); });
        QCOMPARE(said, QStringList({QStringLiteral("Deleting folder thumbnails..."), QStringLiteral("Done")}));
        QStringList kept;
        for (const QString &path : paths) {
            if (SeekThumb(path))
                kept.append(path);
        }
        QCOMPARE(kept, MV_FETCH(QStringList, kept));
        CloseThumbCache();
        // Committed: another connection sees the same.
        QCOMPARE(Raw(ThumbCachePath(folder)).Count(), int(kept.size()));
    }

    void deleteWithoutCacheStillSaysDone()
    {
        QStringList said;
        DeleteFolderThumbs(QStringLiteral("/p/"), [&said](const QString &text) { said.append(text); });
        QCOMPARE(said, QStringList({QStringLiteral("Deleting folder thumbnails..."), QStringLiteral("Done")}));
    }

    // The rows of a build go to disk in batches, and a batch left open is committed soon.
    void writesAreBatched()
    {
        const QString folder = Folder(QStringLiteral("batch"));
        QVERIFY(OpenThumbCache(folder).IsOpen());
        QVERIFY(OpenThumbTable());
        Raw other(ThumbCachePath(folder));
        for (int i = 0; i < 10; ++i)
            QVERIFY(AddThumb(folder + QString::number(i), QStringLiteral("d"), Thumb(i)));
        QCOMPARE(other.Count(), 0); // one open transaction so far
        CloseThumbTable();
        QCOMPARE(other.Count(), 10);

        QVERIFY(OpenThumbTable());
        QVERIFY(AddThumb(folder + QStringLiteral("late"), QStringLiteral("d"), Thumb(11)));
        QCOMPARE(other.Count(), 10);
        QTRY_COMPARE_WITH_TIMEOUT(other.Count(), 11, 5000); // the idle commit
    }

    // A program killed in the middle of a build leaves a cache that opens as it is, with the
    // rows of the batches it committed.
    void killedWriterLeavesSoundCache()
    {
        const QString folder = Folder(QStringLiteral("killed"));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--write-and-wait"), folder, QStringLiteral("100")});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("written"),
                                  qPrintable(QString::fromLocal8Bit(said + child.readAllStandardError())), 20000);
        child.kill();
        QVERIFY(child.waitForFinished());

        QCOMPARE(OpenThumbCache(folder).state, ThumbCacheState::Opened);
        QVERIFY(OpenThumbTable());
        int found = 0;
        for (int i = 0; i < 100; ++i) {
            const QString path = folder + QStringLiteral("img%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
            if (!SeekThumb(path))
                break;
            QCOMPARE(ReadThumb().Thumbnail.pixels, Thumb(i).pixels);
            ++found;
        }
        QVERIFY2(found >= 64, qPrintable(QString::number(found)));
        CloseThumbCache();
        Raw raw(ThumbCachePath(folder));
        QCOMPARE(raw.Count(), found);
        QCOMPARE(raw.Column("PRAGMA integrity_check"), QStringList(QStringLiteral("ok")));
    }

    // Files of that name that are not our cache are never changed and give no cache.
    void foreignFilesLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("my notes about thumbs\n");
        QTest::newRow("binary") << QByteArray(5000, '\xAB');
        QTest::newRow("database header, damaged body")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x01');
    }

    void foreignFilesLeftAlone()
    {
        const QString folder = Folder(QStringLiteral("foreign"));
        const QByteArray bytes = MV_FETCH(QByteArray, bytes);
        QVERIFY(WriteBytes(folder + QStringLiteral("Thumbs.mvd"), bytes));
        const ThumbCacheStatus status = OpenThumbCache(folder);
        QCOMPARE(status.state, ThumbCacheState::Foreign);
        QVERIFY(!OpenThumbTable());
        QVERIFY(!SeekThumb(folder + QStringLiteral("a.jpg")));
        QVERIFY(!AddThumb(folder + QStringLiteral("a.jpg"), QStringLiteral("d"), Thumb(1)));
        DeleteFolderThumbs(folder);
        CloseThumbCache();
        QCOMPARE(ReadBytes(folder + QStringLiteral("Thumbs.mvd")), bytes);
    }

    void someoneElsesDatabaseLeftAlone()
    {
        const QString folder = Folder(QStringLiteral("theirs"));
        const QString path = folder + QStringLiteral("Thumbs.mvd");
        {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(path).constData(), &db);
            sqlite3_exec(db, "CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('keep me');", nullptr, nullptr,
                         nullptr);
            sqlite3_close(db);
        }
        const QByteArray before = ReadBytes(path);
        QCOMPARE(OpenThumbCache(folder).state, ThumbCacheState::Foreign);
        CloseThumbCache();
        QCOMPARE(ReadBytes(path), before);
    }

    // An empty file (a cache whose making was cut short) becomes the cache.
    void emptyFileBecomesCache()
    {
        const QString folder = Folder(QStringLiteral("empty"));
        QVERIFY(WriteBytes(folder + QStringLiteral("Thumbs.mvd"), QByteArray()));
        QCOMPARE(OpenThumbCache(folder).state, ThumbCacheState::Opened);
        QVERIFY(OpenThumbTable());
        QVERIFY(AddThumb(folder + QStringLiteral("a.jpg"), QStringLiteral("d"), Thumb(1)));
    }

    // Our own cache, damaged: it is made anew, on opening or when the damage shows in use.
    void damagedCacheReplaced_data()
    {
        QTest::addColumn<bool>("layoutGone");
        QTest::newRow("pages damaged") << false;
        QTest::newRow("layout dropped") << true;
    }

    void damagedCacheReplaced()
    {
        const QString folder = Folder(QStringLiteral("damaged"));
        const QString path = ThumbCachePath(folder);
        QFile::remove(path);
        QVERIFY(OpenThumbCache(folder).IsOpen());
        QVERIFY(OpenThumbTable());
        for (int i = 0; i < 20; ++i)
            QVERIFY(AddThumb(folder + QStringLiteral("%1.jpg").arg(i), QStringLiteral("d"), Thumb(i)));
        CloseThumbCache();
        if (MV_FETCH(bool, layoutGone)) {
            Raw(path).Exec("DROP INDEX IDPath");
        } else {
            // Everything after the first page (the header with our mark and the schema).
            QByteArray bytes = ReadBytes(path);
            for (qsizetype i = 4096; i < bytes.size(); ++i)
                bytes[i] = char(0xA5 ^ (i & 0xFF));
            QVERIFY(WriteBytes(path, bytes));
        }
        const ThumbCacheStatus opened = OpenThumbCache(folder);
        QVERIFY(opened.IsOpen());
        QVERIFY(OpenThumbTable());
        (void)SeekThumb(folder + QStringLiteral("3.jpg"));
        QVERIFY(AddThumb(folder + QStringLiteral("new.jpg"), QStringLiteral("d"), Thumb(30)));
        QCOMPARE(ThumbCacheNow().state, ThumbCacheState::Replaced);
        QVERIFY(SeekThumb(folder + QStringLiteral("new.jpg")));
        QCOMPARE(ReadThumb().Thumbnail.pixels, Thumb(30).pixels);
        CloseThumbCache();
        Raw raw(path);
        QCOMPARE(raw.Column("PRAGMA integrity_check"), QStringList(QStringLiteral("ok")));
        QCOMPARE(raw.Count(), 1);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
    }

    // Where no cache can be made, nothing is stored and nothing breaks.
    void noCachePossible()
    {
        const QString folder = Folder(QStringLiteral("blocked"));
        QDir().mkpath(folder + QStringLiteral("Thumbs.mvd")); // a folder of that name
        QCOMPARE(OpenThumbCache(folder).state, ThumbCacheState::Unavailable);
        QCOMPARE(OpenThumbCache(mDir.filePath(QStringLiteral("no/such/folder/"))).state, ThumbCacheState::Unavailable);
        QVERIFY(!OpenThumbTable());
        QVERIFY(!AddThumb(QStringLiteral("/a.jpg"), QStringLiteral("d"), Thumb(1)));
        QVERIFY(!ReplaceThumb(QStringLiteral("d"), Thumb(1)));
        QVERIFY(!QFileInfo::exists(mDir.filePath(QStringLiteral("no"))));
    }
};

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--write-and-wait") == 0) {
        QCoreApplication app(argc, argv);
        return WriteAndWait(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    mv::test::sandboxHome();
    MV_TEST_APPLICATION app(argc, argv);
    TestThumbCache tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_thumbcache.moc"
