#include "app/paths.h"
#include "fs/cscanpath.h"
#include "fs/scanpattern.h"
#include "ordinaryuser.h"
#include "testutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace mv::test;

namespace {

// The events of a scan in order: "F " for a file, "D " for a directory, then the entry's path
// below the start folder. Copies share what they record.
class Recorder
{
public:
    Recorder(cScanPath &scanner, const QString &start)
        : d(std::make_shared<Data>())
    {
        d->root = start;
        const auto add = [d = d](const char *kind, const QString &name, const QString &path) {
            if (!path.startsWith(d->root) || !path.endsWith('/'))
                d->unrooted.append(path);
            d->events.append(QLatin1String(kind) + path.mid(d->root.size()) + name);
        };
        const auto file = [add](const QString &n, const QString &p) { add("F ", n, p); };
        const auto folder = [add](const QString &n, const QString &p) { add("D ", n, p); };
        QObject::connect(&scanner, &cScanPath::FileMatch, file);
        QObject::connect(&scanner, &cScanPath::DirMatch, folder);
        QObject::connect(&scanner, &cScanPath::FileMatchEx, file);
        QObject::connect(&scanner, &cScanPath::DirMatchEx, folder);
    }
    const QStringList &events() const { return d->events; }
    // Events whose Path is not the start folder or below it, ending in "/".
    const QStringList &unrooted() const { return d->unrooted; }
    QStringList sorted() const
    {
        QStringList all = d->events;
        all.sort();
        return all;
    }

private:
    struct Data {
        QString root;
        QStringList events;
        QStringList unrooted;
    };
    std::shared_ptr<Data> d;
};

QString Slashed(const QString &path)
{
    return path.endsWith('/') ? path : path + '/';
}

void MakeFile(const QString &path, qint64 size = 0)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.resize(size), qPrintable(path));
}

void MakeLink(const QString &target, const QString &link)
{
    QDir().mkpath(QFileInfo(link).path());
    QVERIFY2(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0,
             qPrintable(link));
}

void SetTimes(const QString &path, const QDateTime &accessed, const QDateTime &written)
{
    const timespec times[2] = {{time_t(accessed.toSecsSinceEpoch()), 0}, {time_t(written.toSecsSinceEpoch()), 0}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
}

QDateTime Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

// A folder tree that nobody (the user of OrdinaryUser) may enter and write.
void OpenToAll(const QString &path)
{
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0777) == 0);
}

// For the large trees: in memory where the machine has a tmpfs, since making thousands of
// files on a disk can take longer than the rest of the test.
QString LargeTreeTemplate()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString folder = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return folder + QStringLiteral("/mirovale-test-XXXXXX");
}

struct Scan {
    bool subFolders = true;
    bool sorted = false;
    bool patterns = false;
    bool extended = false;
};

// Runs one scan from root and gives its events.
Recorder Run(cScanPath &scanner, const QString &root, Scan how = {})
{
    QString path = root;
    Recorder recorder(scanner, Slashed(root));
    const ScanResult result = scanner.StartScan(path, how.subFolders, how.sorted, how.patterns, how.extended);
    if (!result.ok)
        qWarning() << "scan failed:" << result.error;
    return recorder;
}

} // namespace

class TestScanPath : public QObject
{
    Q_OBJECT

private slots:
    void wildcards_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("? takes one") << "A?C" << "ABC" << true;
        QTest::newRow("? takes exactly one") << "A?C" << "AC" << false;
        QTest::newRow("* takes none") << "A*C" << "AC" << true;
        QTest::newRow("* takes a run") << "A*C" << "AXYZC" << true;
        QTest::newRow("* then the rest must end it") << "*.JPG" << "A.JPG.BAK" << false;
        QTest::newRow("* backtracks") << "*A*B" << "XAXAXB" << true;
        QTest::newRow("many stars, no blow-up") << "*A*A*A*A*A*A*A*A*B" << QString(200, 'A') << false;
        QTest::newRow("empty pattern, empty name") << "" << "" << true;
        QTest::newRow("empty pattern takes nothing else") << "" << "A" << false;
        QTest::newRow("contains") << "*CAT*" << "BLACK CAT.PNG" << true;
        QTest::newRow("# a digit") << "IMG_####.GIF" << "IMG_0042.GIF" << true;
        QTest::newRow("# not a letter") << "#" << "A" << false;
        QTest::newRow("# only 0-9") << "#" << QString::fromUtf8("\u0663") << false;
        QTest::newRow("list") << "[ABC]1" << "B1" << true;
        QTest::newRow("list misses") << "[ABC]1" << "D1" << false;
        QTest::newRow("range") << "[A-F]" << "E" << true;
        QTest::newRow("range ends") << "[A-F]" << "G" << false;
        QTest::newRow("two ranges") << "[A-C0-9]" << "7" << true;
        QTest::newRow("negated list") << "[!A-C]X" << "DX" << true;
        QTest::newRow("negated list misses") << "[!A-C]X" << "BX" << false;
        QTest::newRow("leading hyphen is plain") << "[-A]" << "-" << true;
        QTest::newRow("trailing hyphen is plain") << "[A-]" << "-" << true;
        QTest::newRow("wildcards plain in brackets") << "[*?#]" << "*" << true;
        QTest::newRow("bracketed star takes one character") << "[*]" << "A" << false;
        QTest::newRow("bracketed bracket") << "[[]X" << "[X" << true;
        QTest::newRow("[] takes nothing") << "A[]B" << "AB" << true;
        QTest::newRow("[!] takes any one") << "A[!]" << "AZ" << true;
        QTest::newRow("unclosed bracket is plain") << "PHOTO[1" << "PHOTO[1" << true;
        QTest::newRow("closing bracket alone is plain") << "A]" << "A]" << true;
        QTest::newRow("descending range holds nothing") << "[Z-A]" << "M" << false;
        QTest::newRow("exclamation outside brackets is plain") << "!A" << "!A" << true;
        QTest::newRow("one character beyond 16 bits") << "?.PNG" << QString::fromUtf8("\U0001F600.PNG") << true;
        QTest::newRow("beyond 16 bits is not two") << "??.PNG" << QString::fromUtf8("\U0001F600.PNG") << false;
        QTest::newRow("Chinese") << QString::fromUtf8("*猫*") << QString::fromUtf8("黑猫.JPG") << true;
        QTest::newRow("case matters here") << "*.JPG" << "a.jpg" << false;
    }
    void wildcards()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QCOMPARE(WildcardPattern(pattern).Matches(name), MV_FETCH(bool, matches));
    }

    void extensions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("passes");
        const QString images = "*.BMP;*.JPG;";
        QTest::newRow("listed extension") << "photo.jpg" << images << true;
        QTest::newRow("any case") << "photo.JpG" << images << true;
        QTest::newRow("not listed") << "photo.png" << images << false;
        QTest::newRow("longer extension") << "photo.jpeg" << images << false;
        QTest::newRow("inside a listed one (plain substring test)") << "x.mp" << images << true;
        QTest::newRow("no dot never passes") << "README" << images << false;
        QTest::newRow("last dot counts") << "a.jpg.gz" << images << false;
        QTest::newRow("last dot counts, listed") << "a.gz.bmp" << images << true;
        QTest::newRow("hidden name with extension") << ".jpg" << images << true;
        QTest::newRow("final dot: empty extension is in any filter") << "odd." << images << true;
        QTest::newRow("Chinese name, ASCII extension") << QString::fromUtf8("照片.jpg") << images << true;
        QTest::newRow("extension beyond ASCII, upper-cased")
            << QString::fromUtf8("caf\u00e9.jp\u00e9") << QString::fromUtf8("*.JP\u00c9;*.PNG;") << true;
        QTest::newRow("extension beyond ASCII, not listed")
            << QString::fromUtf8("caf\u00e9.jp\u00e9") << images << false;
        QTest::newRow("ASCII extension in a filter beyond ASCII")
            << "a.png" << QString::fromUtf8("*.\u56fe;*.PNG;") << true;
        QTest::newRow("no ASCII key inside a longer character")
            << "a.jpg" << QString::fromUtf8("*.\u56fe;") << false;
    }
    // The test on the listing's bytes gives what the test on the text gives.
    void extensions()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, passes);
        QCOMPARE(ExtensionInFilter(name, filter), passes);
        QCOMPARE(ExtensionInFilter(QByteArrayView(name.toUtf8()), QByteArrayView(filter.toUtf8())), passes);
    }

    void filterProperty_data()
    {
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("afterScan");
        QTest::newRow("empty takes every name") << "" << "" << "*.*";
        QTest::newRow("*.* stays") << "*.*" << "*.*" << "*.*";
        QTest::newRow("spaces trimmed, upper case after a scan") << "  *.jpg;*.png " << "*.jpg;*.png" << "*.JPG;*.PNG";
        QTest::newRow("one final ; is dropped on reading") << "*.jpg;" << "*.jpg" << "*.JPG;";
    }
    void filterProperty()
    {
        QTemporaryDir dir;
        cScanPath scanner;
        scanner.setFilter(MV_FETCH(QString, set));
        QCOMPARE(scanner.Filter(), MV_FETCH(QString, read));
        QString path = dir.path();
        QVERIFY(scanner.StartScan(path, false, false, false, false).ok);
        QCOMPARE(scanner.Filter(), MV_FETCH(QString, afterScan));
    }

    void names_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("patterns");
        QTest::addColumn<QStringList>("files");
        const QStringList all{"Black Cat.png", "README", "dog.JPG", "img_0001.gif", "notes.txt", "photo.jpg", "x.mp"};
        QTest::newRow("empty filter") << "" << false << all;
        QTest::newRow("*.*, also names without a dot") << "*.*" << false << all;
        QTest::newRow("*.* with patterns") << "*.*" << true << all;
        QTest::newRow("extensions") << "*.BMP;*.JPG" << false << QStringList{"dog.JPG", "photo.jpg", "x.mp"};
        QTest::newRow("extensions in lower case")
            << "*.bmp;*.jpg" << false << QStringList{"dog.JPG", "photo.jpg", "x.mp"};
        QTest::newRow("words, any case") << "*cat*" << true << QStringList{"Black Cat.png"};
        QTest::newRow("a list of patterns") << "*.gif;*.png" << true << QStringList{"Black Cat.png", "img_0001.gif"};
        QTest::newRow("digits") << "img_####.*" << true << QStringList{"img_0001.gif"};
        QTest::newRow("brackets") << "[a-c]*;[!a-r]*" << true << QStringList{"Black Cat.png", "x.mp"};
        QTest::newRow("patterns match the whole name") << "*.jp" << true << QStringList{};
    }
    void names()
    {
        QTemporaryDir dir;
        for (const char *name :
             {"Black Cat.png", "README", "dog.JPG", "img_0001.gif", "notes.txt", "photo.jpg", "x.mp"})
            MakeFile(dir.filePath(name));
        QDir().mkpath(dir.filePath("album"));
        MakeFile(dir.filePath("album/inner.jpg"));
        cScanPath scanner;
        scanner.setFilter(MV_FETCH(QString, filter));
        const Recorder r = Run(scanner, dir.path(), {.subFolders = false, .patterns = MV_FETCH(bool, patterns)});
        QStringList expected{"D album"};
        for (const QString &file : MV_FETCH(QStringList, files))
            expected.append("F " + file);
        expected.sort();
        QCOMPARE(r.sorted(), expected); // directories always pass the name test
        QCOMPARE(scanner.FileCount(), expected.size() - 1);
    }

    // Each row names what changes from the defaults; every row runs both walks.
    void attributes_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("entries");
        const QStringList defaults{"D folder", "D lockeddir", "F folder/in.jpg", "F link.jpg", "F locked.jpg",
                                   "F lockeddir/in.jpg", "F plain.jpg"};
        const auto with = [&defaults](const QStringList &more, const QStringList &less = {}) {
            QStringList all = defaults + more;
            for (const QString &gone : less)
                all.removeAll(gone);
            all.sort();
            return all;
        };
        QTest::newRow("defaults") << "" << defaults;
        QTest::newRow("Hidden") << "Hidden"
                                << with({"F .hidden.jpg", "D .hiddendir", "F .hiddendir/inner.jpg"});
        QTest::newRow("System") << "System" << with({"F fifo.jpg", "F dangling.jpg"});
        QTest::newRow("no ReadOnly") << "ReadOnly"
                                     << with({}, {"F locked.jpg", "D lockeddir", "F lockeddir/in.jpg"});
        QTest::newRow("no Normal")
            << "Normal" << with({}, {"F plain.jpg", "F link.jpg", "F folder/in.jpg", "F lockeddir/in.jpg"});
        QTest::newRow("no Folder: none reported, none walked")
            << "Folder" << with({}, {"D folder", "D lockeddir", "F folder/in.jpg", "F lockeddir/in.jpg"});
        QTest::newRow("no Archive (never set)") << "Archive" << defaults;
        QTest::newRow("no Compressed (never set)") << "Compressed" << defaults;
    }
    void attributes()
    {
        QFETCH(QString, change);
        QTemporaryDir dir;
        OpenToAll(dir.path());
        const auto at = [&dir](const char *name) { return dir.filePath(name); };
        for (const char *name : {"plain.jpg", ".hidden.jpg", "folder/in.jpg", ".hiddendir/inner.jpg"}) {
            MakeFile(at(name));
            QVERIFY(::chmod(QFile::encodeName(at(name)).constData(), 0666) == 0);
        }
        for (const char *name : {"folder", ".hiddendir"})
            OpenToAll(at(name));
        MakeFile(at("locked.jpg"));
        MakeFile(at("lockeddir/in.jpg"));
        QVERIFY(::chmod(QFile::encodeName(at("locked.jpg")).constData(), 0444) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("lockeddir/in.jpg")).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("lockeddir")).constData(), 0555) == 0);
        QVERIFY(::mkfifo(QFile::encodeName(at("fifo.jpg")).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("fifo.jpg")).constData(), 0666) == 0);
        MakeLink("plain.jpg", at("link.jpg"));
        MakeLink("nowhere.jpg", at("dangling.jpg"));
        const auto restore = qScopeGuard([&] { OpenToAll(at("lockeddir")); });

        const OrdinaryUser user;
        if (!user.active())
            QSKIP("cannot leave root here");
        for (const bool sorted : {false, true}) {
            cScanPath scanner;
            if (change == "Hidden")
                scanner.setHidden(true);
            else if (change == "System")
                scanner.setSystem(true);
            else if (change == "ReadOnly")
                scanner.setReadOnly(false);
            else if (change == "Normal")
                scanner.setNormal(false);
            else if (change == "Folder")
                scanner.setFolder(false);
            else if (change == "Archive")
                scanner.setArchive(false);
            else if (change == "Compressed")
                scanner.setCompressed(false);
            const Recorder r = Run(scanner, dir.path(), {.sorted = sorted});
            QCOMPARE(r.sorted(), MV_FETCH(QStringList, entries));
        }
    }

    void attributeWords()
    {
        QTemporaryDir dir;
        OpenToAll(dir.path());
        const auto at = [&dir](const char *name) { return dir.filePath(name); };
        MakeFile(at("plain.jpg"));
        MakeFile(at(".hidden.jpg"));
        MakeFile(at("locked.jpg"));
        for (const char *name : {"plain.jpg", ".hidden.jpg"})
            QVERIFY(::chmod(QFile::encodeName(at(name)).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("locked.jpg")).constData(), 0444) == 0);
        QVERIFY(::mkfifo(QFile::encodeName(at("fifo")).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("fifo")).constData(), 0666) == 0);
        QDir().mkpath(at(".hiddendir"));
        OpenToAll(at(".hiddendir"));
        MakeLink("plain.jpg", at("link.jpg"));
        MakeLink(".hiddendir", at("linkdir"));

        const OrdinaryUser user;
        if (!user.active())
            QSKIP("cannot leave root here");
        cScanPath scanner;
        scanner.setHidden(true);
        scanner.setSystem(true);
        QMap<QString, uint> words;
        connect(&scanner, &cScanPath::FileMatchEx, [&](const QString &name, const QString &, qint64, quint32 a) {
            words[name] = a;
            QCOMPARE(scanner.WFDPointer()->attributes, a);
        });
        connect(&scanner, &cScanPath::DirMatchEx,
                [&](const QString &name, const QString &, quint32 a) { words[name] = a; });
        Run(scanner, dir.path(), {.subFolders = false, .extended = true});
        const QMap<QString, uint> expected{{"plain.jpg", 0x80}, {".hidden.jpg", 0x2}, {"locked.jpg", 0x1},
                                           {"fifo", 0x4},       {".hiddendir", 0x12}, {"link.jpg", 0x80},
                                           {"linkdir", 0x10}};
        QCOMPARE(words, expected);
    }

    void bounds_data()
    {
        QTest::addColumn<qint64>("minimum");
        QTest::addColumn<qint64>("maximum");
        QTest::addColumn<int>("dateType");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<QStringList>("files");
        const QDateTime none;
        const QStringList all{"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
        QTest::newRow("no bounds") << 0LL << 0LL << 0 << none << none << all;
        QTest::newRow("minimum") << 100LL << 0LL << 0 << none << none << QStringList{"b.jpg", "c.jpg", "d.jpg"};
        QTest::newRow("maximum") << 0LL << 100LL << 0 << none << none << QStringList{"a.jpg", "b.jpg"};
        QTest::newRow("both") << 50LL << 1000LL << 0 << none << none << QStringList{"b.jpg", "c.jpg"};
        QTest::newRow("beyond 2 GiB") << (1LL << 31) << 0LL << 0 << none << none << QStringList{"d.jpg"};
        QTest::newRow("negative bounds are off") << -5LL << -5LL << 0 << none << none << all;
        QTest::newRow("from, seconds dropped") << 0LL << 0LL << 0 << Utc(2021, 6, 15) << none
                                               << QStringList{"b.jpg", "c.jpg", "d.jpg"};
        QTest::newRow("to at midnight ends the day before") << 0LL << 0LL << 0 << none << Utc(2021, 6, 15)
                                                            << QStringList{"a.jpg", "b.jpg"};
        QTest::newRow("to keeps its own minute") << 0LL << 0LL << 0 << none << Utc(2020, 1, 1, 10, 0)
                                                 << QStringList{"a.jpg"};
        QTest::newRow("from after that minute") << 0LL << 0LL << 0 << Utc(2020, 1, 1, 10, 1) << Utc(2021, 1, 1)
                                                << QStringList{};
        QTest::newRow("a bound in another time zone is the same point in time")
            << 0LL << 0LL << 0 << none << QDateTime(QDate(2021, 6, 15), QTime(21, 0), Qt::OffsetFromUTC, 8 * 3600)
            << QStringList{"a.jpg", "b.jpg"};
        QTest::newRow("from and to") << 0LL << 0LL << 0 << Utc(2021, 1, 1) << Utc(2022, 1, 1)
                                     << QStringList{"b.jpg", "c.jpg"};
        QTest::newRow("access time") << 0LL << 0LL << 2 << Utc(2023, 1, 1) << none << QStringList{"a.jpg"};
        QTest::newRow("unknown date type dates files at 0: from") << 0LL << 0LL << 7 << Utc(1990, 1, 1) << none
                                                                  << QStringList{};
        QTest::newRow("unknown date type dates files at 0: to") << 0LL << 0LL << 7 << none << Utc(1990, 1, 1) << all;
        QTest::newRow("the zero date is off") << 0LL << 0LL << 0 << Utc(1899, 12, 30) << none << all;
        QTest::newRow("dates before it are off") << 0LL << 0LL << 0 << Utc(1800, 1, 1) << Utc(1850, 1, 1) << all;
        QTest::newRow("sizes and dates together") << 50LL << 0LL << 0 << none << Utc(2022, 1, 1)
                                                  << QStringList{"b.jpg", "c.jpg"};
    }
    void bounds()
    {
        QTemporaryDir dir;
        const auto make = [&dir](const char *name, qint64 size, const QDateTime &accessed, const QDateTime &written) {
            MakeFile(dir.filePath(name), size);
            SetTimes(dir.filePath(name), accessed, written);
        };
        make("a.jpg", 10, Utc(2024, 1, 1), Utc(2020, 1, 1, 10, 0, 30));
        make("b.jpg", 100, Utc(2020, 1, 1), Utc(2021, 6, 15, 0, 0, 59));
        make("c.jpg", 1000, Utc(2020, 1, 1), Utc(2021, 6, 15, 13, 45, 10));
        make("d.jpg", 3LL << 30, Utc(2020, 1, 1), Utc(2023, 3, 1)); // sparse
        QDir().mkpath(dir.filePath("dir"));
        SetTimes(dir.filePath("dir"), Utc(1980, 1, 1), Utc(1980, 1, 1));

        cScanPath scanner;
        scanner.setMinimumSize(MV_FETCH(qint64, minimum));
        scanner.setMaximumSize(MV_FETCH(qint64, maximum));
        scanner.setDateType(MV_FETCH(int, dateType));
        scanner.setFromDate(MV_FETCH(QDateTime, from));
        scanner.setToDate(MV_FETCH(QDateTime, to));
        const Recorder r = Run(scanner, dir.path(), {.subFolders = false});
        QStringList expected{"D dir"}; // bounds never turn a directory away
        for (const QString &file : MV_FETCH(QStringList, files))
            expected.append("F " + file);
        expected.sort();
        QCOMPARE(r.sorted(), expected);
    }

    void detailedEvents()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("photo.jpg");
        MakeFile(file, 1234);
        SetTimes(file, Utc(2022, 2, 2, 22, 22, 22), Utc(2011, 12, 5, 8, 3, 9));
        QDir().mkpath(dir.filePath("sub"));
        SetTimes(dir.filePath("sub"), Utc(2019, 9, 9, 9, 9, 9), Utc(2018, 8, 8, 8, 8, 8));
        const QDateTime born = QFileInfo(file).birthTime().toUTC();
        const QDateTime created = born.isValid() ? Utc(born.date().year(), born.date().month(), born.date().day(),
                                                       born.time().hour(), born.time().minute())
                                                 : Utc(2011, 12, 5, 8, 3);

        for (const bool sorted : {false, true}) {
            cScanPath scanner;
            int files = 0;
            int dirs = 0;
            connect(&scanner, &cScanPath::FileMatchEx,
                    [&](const QString &name, const QString &path, qint64 size, quint32 attributes,
                        const QDateTime &written, const QDateTime &creation, const QDateTime &accessed) {
                        ++files;
                        QCOMPARE(name, QString("photo.jpg"));
                        QCOMPARE(path, dir.path() + '/');
                        QCOMPARE(size, 1234);
                        QCOMPARE(attributes, quint32(AttrNormal));
                        QCOMPARE(written, Utc(2011, 12, 5, 8, 3));
                        QCOMPARE(accessed, Utc(2022, 2, 2, 22, 22));
                        QCOMPARE(creation, created);
                        const FindData *record = scanner.WFDPointer();
                        QCOMPARE(record->name, name);
                        QCOMPARE(record->size, 1234u);
                        QCOMPARE(record->lastWriteTime,
                                 FileTimeFromUnix(Utc(2011, 12, 5, 8, 3, 9).toSecsSinceEpoch(), 0));
                    });
            connect(&scanner, &cScanPath::DirMatchEx,
                    [&](const QString &name, const QString &path, quint32 attributes, const QDateTime &written,
                        const QDateTime &, const QDateTime &accessed) {
                        ++dirs;
                        QCOMPARE(name, QString("sub"));
                        QCOMPARE(path, dir.path() + '/');
                        QCOMPARE(attributes, quint32(AttrDirectory));
                        QCOMPARE(written, Utc(2018, 8, 8, 8, 8));
                        QCOMPARE(accessed, Utc(2019, 9, 9, 9, 9));
                        QCOMPARE(scanner.WFDPointer()->name, name);
                    });
            int plain = 0;
            connect(&scanner, &cScanPath::FileMatch, [&] { ++plain; });
            connect(&scanner, &cScanPath::DirMatch, [&] { ++plain; });
            QString path = dir.path();
            QVERIFY(scanner.StartScan(path, false, sorted, false, true).ok);
            QCOMPARE(files, 1);
            QCOMPARE(dirs, 1);
            QCOMPARE(plain, 0); // detailed events instead of the plain ones
        }
    }

    // With the plain events the record is read from the disk only when a handler asks for
    // it; it is the whole record all the same.
    void recordOnRequest()
    {
        QTemporaryDir dir;
        OpenToAll(dir.path());
        const auto at = [&dir](const char *name) { return dir.filePath(name); };
        MakeFile(at("photo.jpg"), 1234);
        MakeFile(at("other.png"), 7);
        QVERIFY(::chmod(QFile::encodeName(at("photo.jpg")).constData(), 0444) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("other.png")).constData(), 0666) == 0);
        SetTimes(at("photo.jpg"), Utc(2022, 2, 2, 22, 22, 22), Utc(2011, 12, 5, 8, 3, 9));
        QDir().mkpath(at("sub"));
        OpenToAll(at("sub"));
        SetTimes(at("sub"), Utc(2019, 9, 9), Utc(2018, 8, 8));

        const OrdinaryUser user; // root may write a read-only file
        if (!user.active())
            QSKIP("cannot leave root here");
        for (const bool sorted : {false, true}) {
            cScanPath scanner;
            QMap<QString, FindData> records;
            const auto keep = [&](const QString &name) { records[name] = *scanner.WFDPointer(); };
            connect(&scanner, &cScanPath::FileMatch, keep);
            connect(&scanner, &cScanPath::DirMatch, keep);
            Run(scanner, dir.path(), {.subFolders = false, .sorted = sorted});
            QCOMPARE(records.keys(), (QStringList{"other.png", "photo.jpg", "sub"}));
            const FindData &photo = records["photo.jpg"];
            QCOMPARE(photo.name, QString("photo.jpg"));
            QCOMPARE(photo.size, 1234u);
            QCOMPARE(photo.attributes, quint32(AttrReadOnly));
            QCOMPARE(photo.lastWriteTime, FileTimeFromUnix(Utc(2011, 12, 5, 8, 3, 9).toSecsSinceEpoch(), 0));
            QCOMPARE(photo.lastAccessTime, FileTimeFromUnix(Utc(2022, 2, 2, 22, 22, 22).toSecsSinceEpoch(), 0));
            QCOMPARE(records["other.png"].size, 7u);
            QCOMPARE(records["other.png"].attributes, quint32(AttrNormal));
            QCOMPARE(records["sub"].attributes, quint32(AttrDirectory));
            QCOMPARE(records["sub"].lastWriteTime, FileTimeFromUnix(Utc(2018, 8, 8).toSecsSinceEpoch(), 0));
        }
    }

    void sortedOrder()
    {
        QTemporaryDir dir;
        for (const char *name : {"b.jpg", "A.jpg", "Z/z1.jpg", "c/c1.jpg", "c/sub/s.jpg"})
            MakeFile(dir.filePath(name));
        cScanPath scanner;
        const Recorder r = Run(scanner, dir.path(), {.sorted = true});
        QCOMPARE(r.events(), (QStringList{"F A.jpg", "F b.jpg", "D c", "F c/c1.jpg", "D c/sub", "F c/sub/s.jpg", "D Z",
                                        "F Z/z1.jpg"}));
        QVERIFY(r.unrooted().isEmpty());
    }

    void unsortedIsBreadthFirst()
    {
        QTemporaryDir dir;
        for (const char *name : {"r1.jpg", "r2.jpg", "d1/a.jpg", "d1/dd/b.jpg", "d1/dd/ddd/e.jpg", "d2/c.jpg"})
            MakeFile(dir.filePath(name));
        cScanPath scanner;
        const Recorder r = Run(scanner, dir.path());
        QCOMPARE(r.sorted(), (QStringList{"D d1", "D d1/dd", "D d1/dd/ddd", "D d2", "F d1/a.jpg", "F d1/dd/b.jpg",
                                          "F d1/dd/ddd/e.jpg", "F d2/c.jpg", "F r1.jpg", "F r2.jpg"}));
        qsizetype depth = 0;
        for (const QString &event : r.events()) {
            const qsizetype folderDepth = event.count('/'); // of the folder holding the entry
            QVERIFY2(folderDepth >= depth, qPrintable(r.events().join(", ")));
            depth = folderDepth;
        }
    }

    void counts_data()
    {
        QTest::addColumn<bool>("subFolders");
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<int>("dirCount");
        QTest::addColumn<int>("fileCount");
        QTest::addColumn<int>("events");
        QTest::newRow("unsorted, sub-folders: every directory") << true << false << 3 << 5 << 8;
        QTest::newRow("unsorted, one folder: every reported directory") << false << false << 2 << 2 << 4;
        QTest::newRow("sorted, sub-folders: those walked into") << true << true << 3 << 5 << 8;
        QTest::newRow("sorted, one folder: none walked into") << false << true << 0 << 2 << 4;
    }
    void counts()
    {
        QTemporaryDir dir;
        for (const char *name : {"r1.jpg", "r2.jpg", "d1/a.jpg", "d1/dd/b.jpg", "d2/c.jpg"})
            MakeFile(dir.filePath(name));
        cScanPath scanner;
        const Recorder r =
            Run(scanner, dir.path(), {.subFolders = MV_FETCH(bool, subFolders), .sorted = MV_FETCH(bool, sorted)});
        QCOMPARE(scanner.DirCount(), MV_FETCH(int, dirCount));
        QCOMPARE(scanner.FileCount(), MV_FETCH(int, fileCount));
        QCOMPARE(r.events().size(), MV_FETCH(int, events));
    }

    void startPath_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("desktop");
        QTest::newRow("without final slash") << "" << false;
        QTest::newRow("with final slash") << "/" << false;
        QTest::newRow("desktop label") << QString::fromUtf8("|我的桌面/") << true;
    }
    void startPath()
    {
        QFETCH(QString, given);
        QTemporaryDir dir;
        const QString folder = MV_FETCH(bool, desktop) ? DesktopFolder() : dir.path() + given;
        QString path = MV_FETCH(bool, desktop) ? given : folder;
        const QString expected = Slashed(path);
        QDir().mkpath(folder);
        MakeFile(Slashed(folder) + "x.jpg");
        cScanPath scanner;
        QStringList paths;
        connect(&scanner, &cScanPath::FileMatch, [&paths](const QString &, const QString &p) { paths.append(p); });
        QVERIFY(scanner.StartScan(path, false, false, false, false).ok);
        QCOMPARE(path, expected); // the caller's variable gets its final "/"
        QCOMPARE(paths, QStringList{Slashed(folder)});
        if (MV_FETCH(bool, desktop))
            QFile::remove(Slashed(folder) + "x.jpg");
    }

    // A stop asked for inside an event: the unsorted walk goes on with the entries of the
    // folder until its next yield, the sorted one stops at once; no other folder is listed.
    void stopFromEvent_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("unsorted") << false;
        QTest::newRow("sorted") << true;
    }
    void stopFromEvent()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 25; ++i)
            MakeFile(dir.filePath(QString("f%1.jpg").arg(i, 2, 10, QChar('0'))));
        MakeFile(dir.filePath("sub/inner.jpg"));
        cScanPath scanner;
        int files = 0;
        connect(&scanner, &cScanPath::FileMatch, [&] {
            if (++files == 1)
                scanner.StopScan();
        });
        const Recorder r = Run(scanner, dir.path(), {.sorted = MV_FETCH(bool, sorted)});
        if (MV_FETCH(bool, sorted))
            QCOMPARE(r.events(), QStringList{"F f00.jpg"});
        else
            QVERIFY2(files >= 1 && r.events().size() <= cScanPath::YieldEvery, qPrintable(r.events().join(", ")));
        QVERIFY(!r.events().contains("F sub/inner.jpg"));
        QCOMPARE(scanner.FileCount(), files);
    }

    void yieldEveryTenEntries_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("unsorted") << false;
        QTest::newRow("sorted") << true;
    }
    void yieldEveryTenEntries()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 98; ++i)
            MakeFile(dir.filePath(QString("f%1.jpg").arg(i)));
        cScanPath scanner;
        int yields = 0;
        int eventsAtFirstYield = -1;
        scanner.setYield([&] {
            if (++yields == 1)
                eventsAtFirstYield = scanner.FileCount();
        });
        const Recorder r = Run(scanner, dir.path(), {.sorted = MV_FETCH(bool, sorted)});
        QCOMPARE(r.events().size(), 98);
        QCOMPARE(yields, 10); // 100 listed entries with "." and ".."
        if (MV_FETCH(bool, sorted))
            QCOMPARE(eventsAtFirstYield, 0); // a folder is read whole before its events
        else
            QVERIFY(eventsAtFirstYield >= 8 && eventsAtFirstYield <= 10);
    }

    void stopFromYield_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("unsorted") << false;
        QTest::newRow("sorted") << true;
    }
    void stopFromYield()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 40; ++i)
            MakeFile(dir.filePath(QString("f%1.jpg").arg(i)));
        MakeFile(dir.filePath("sub/inner.jpg"));
        cScanPath scanner;
        int yields = 0;
        scanner.setYield([&] {
            ++yields;
            scanner.StopScan();
        });
        const Recorder r = Run(scanner, dir.path(), {.sorted = MV_FETCH(bool, sorted)});
        QCOMPARE(yields, 1);
        if (MV_FETCH(bool, sorted))
            QCOMPARE(r.events().size(), 0); // stopped while the folder was read
        else
            QVERIFY(r.events().size() >= 8 && r.events().size() <= 10);
        QVERIFY(!r.events().contains("F sub/inner.jpg"));
    }

    void stopBeforeStartHasNoEffect()
    {
        QTemporaryDir dir;
        MakeFile(dir.filePath("a.jpg"));
        cScanPath scanner;
        scanner.StopScan();
        QCOMPARE(Run(scanner, dir.path()).events(), QStringList{"F a.jpg"});
    }

    // The default yield lets queued events run, which is how a stop reaches the walk.
    void defaultYieldRunsPendingEvents()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 30; ++i)
            MakeFile(dir.filePath(QString("f%1.jpg").arg(i)));
        cScanPath scanner;
        QMetaObject::invokeMethod(&scanner, [&scanner] { scanner.StopScan(); }, Qt::QueuedConnection);
        const Recorder r = Run(scanner, dir.path());
        QVERIFY(r.events().size() >= 8 && r.events().size() <= 10);
    }

    void unreadableFolder_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("unsorted") << false;
        QTest::newRow("sorted") << true;
    }
    void unreadableFolder()
    {
        QTemporaryDir dir;
        OpenToAll(dir.path());
        for (const char *name : {"a.jpg", "locked/x.jpg", "open/b.jpg", "open/deep/c.jpg"})
            MakeFile(dir.filePath(name));
        for (const char *name : {"open", "open/deep"})
            OpenToAll(dir.filePath(name));
        QVERIFY(::chmod(QFile::encodeName(dir.filePath("locked")).constData(), 0) == 0);
        const auto restore = qScopeGuard([&] { OpenToAll(dir.filePath("locked")); });

        const OrdinaryUser user;
        if (!user.active())
            QSKIP("cannot leave root here");
        cScanPath scanner;
        const Recorder r = Run(scanner, dir.path(), {.sorted = MV_FETCH(bool, sorted)});
        // The folder itself is listed by its parent; what lies queued after it still comes.
        QCOMPARE(r.sorted(), (QStringList{"D locked", "D open", "D open/deep", "F a.jpg", "F open/b.jpg",
                                          "F open/deep/c.jpg"}));

        QString start = dir.filePath("locked");
        const Recorder none(scanner, start + '/');
        QVERIFY(scanner.StartScan(start, true, MV_FETCH(bool, sorted), false, false).ok);
        QVERIFY(none.events().isEmpty());
        QCOMPARE(scanner.DirCount(), 0);
        QCOMPARE(scanner.FileCount(), 0);
    }

    void missingStartFolder()
    {
        cScanPath scanner;
        QString start = QDir::tempPath() + "/mirovale-no-such-folder-here";
        const Recorder r(scanner, start + '/');
        QVERIFY(scanner.StartScan(start, true, false, false, false).ok);
        QVERIFY(r.events().isEmpty());
        QCOMPARE(scanner.FileCount(), 0);
    }

    // Links are reported as what they point to, but no directory is listed twice.
    void linkLoops_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("unsorted") << false;
        QTest::newRow("sorted") << true;
    }
    void linkLoops()
    {
        QTemporaryDir dir;
        MakeFile(dir.filePath("a.jpg"));
        MakeFile(dir.filePath("sub/b.jpg"));
        MakeLink("..", dir.filePath("sub/up"));
        MakeLink(".", dir.filePath("sub/self"));
        MakeLink(dir.filePath("sub"), dir.filePath("alias"));
        MakeLink("loop2", dir.filePath("loop1"));
        MakeLink("loop1", dir.filePath("loop2"));
        cScanPath scanner;
        const Recorder r = Run(scanner, dir.path(), {.sorted = MV_FETCH(bool, sorted)});
        QStringList files = r.events().filter(QRegularExpression("^F "));
        QCOMPARE(files.size(), 2);
        QVERIFY(files.contains("F a.jpg"));
        QCOMPARE(files.filter("/b.jpg").size(), 1);
        // "up", "self" and "alias" are directories to the walk; the loop1/loop2 pair points
        // nowhere (a system entry, left out by default).
        QCOMPARE(r.events().filter(QRegularExpression("^D ")).size(), 4);
        QVERIFY(r.events().filter("loop").isEmpty());
    }

    // Names that are not UTF-8 cannot be named by a path of the program: passed over.
    void namesThatAreNotUtf8_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("unsorted") << false;
        QTest::newRow("sorted") << true;
    }
    void namesThatAreNotUtf8()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        const QByteArray badFile = root + "/bad\xff.jpg";
        const QByteArray badDir = root + "/dir\xfe";
        const QByteArray inner = badDir + "/inner.jpg";
        const auto cleanUp = qScopeGuard([&] {
            ::unlink(inner.constData());
            ::rmdir(badDir.constData());
            ::unlink(badFile.constData());
        });
        MakeFile(dir.filePath("good.jpg"));
        const int fd = ::open(badFile.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        QVERIFY(::mkdir(badDir.constData(), 0755) == 0);
        const int innerFd = ::open(inner.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(innerFd >= 0);
        ::close(innerFd);
        cScanPath scanner;
        const Recorder r = Run(scanner, dir.path(), {.sorted = MV_FETCH(bool, sorted)});
        QCOMPARE(r.events(), QStringList{"F good.jpg"});
    }

    void destroyedByItsHandler()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 30; ++i)
            MakeFile(dir.filePath(QString("sub%1/f.jpg").arg(i)));
        for (const bool sorted : {false, true}) {
            auto *scanner = new cScanPath;
            int events = 0;
            connect(scanner, &cScanPath::FileMatch, [&] {
                ++events;
                delete scanner;
            });
            QString path = dir.path();
            QVERIFY(scanner->StartScan(path, true, sorted, false, false).ok);
            QCOMPARE(events, 1);
        }
    }

    void nestedStartIsRefused()
    {
        QTemporaryDir dir;
        MakeFile(dir.filePath("a.jpg"));
        MakeFile(dir.filePath("b.jpg"));
        cScanPath scanner;
        QList<ScanResult> nested;
        connect(&scanner, &cScanPath::FileMatch, [&] {
            QString again = dir.path();
            nested.append(scanner.StartScan(again, false, false, false, false));
        });
        QString path = dir.path();
        QVERIFY(scanner.StartScan(path, false, false, false, false).ok);
        QCOMPARE(nested.size(), 2);
        QVERIFY(!nested.first().ok);
        QVERIFY(!nested.first().error.isEmpty());
        QCOMPARE(scanner.FileCount(), 2); // the running scan was left alone
    }

    // One folder of the sorted walk holds at most MaxFolderEntries matching entries; the
    // unsorted walk has no such limit.
    void tooManyEntriesForTheSortedWalk()
    {
        QTemporaryDir dir(LargeTreeTemplate());
        MakeFile(dir.filePath("a.jpg"));
        QVERIFY(QDir().mkpath(dir.filePath("many")));
        for (int i = 0; i <= cScanPath::MaxFolderEntries; ++i) {
            const QByteArray name = QFile::encodeName(dir.filePath("many/" + QString::number(i)));
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        cScanPath scanner;
        scanner.setYield({});
        QString path = dir.path();
        QStringList events;
        connect(&scanner, &cScanPath::FileMatch, [&](const QString &n) { events.append(n); });
        connect(&scanner, &cScanPath::DirMatch, [&](const QString &n) { events.append(n); });
        const ScanResult sorted = scanner.StartScan(path, true, true, false, false);
        QVERIFY(!sorted.ok);
        QVERIFY2(sorted.error.contains(dir.filePath("many/")), qPrintable(sorted.error));
        QCOMPARE(events, (QStringList{"a.jpg", "many"}));

        QVERIFY(scanner.StartScan(path, true, false, false, false).ok);
        QCOMPARE(scanner.FileCount(), cScanPath::MaxFolderEntries + 2);
    }

    // A rough speed figure, not a timed test.
    void tenThousandFiles()
    {
        QTemporaryDir dir(LargeTreeTemplate());
        for (int folder = 0; folder < 100; ++folder) {
            const QString sub = dir.filePath(QString("d%1/").arg(folder));
            QVERIFY(QDir().mkpath(sub));
            for (int i = 0; i < 100; ++i)
                MakeFile(sub + QString("f%1.%2").arg(i).arg(i % 10 == 0 ? "jpg" : "dat"));
        }
        for (const bool sorted : {false, true}) {
            cScanPath scanner;
            scanner.setFilter("*.BMP;*.JPG;*.PNG");
            int found = 0;
            connect(&scanner, &cScanPath::FileMatch, [&found] { ++found; });
            QString path = dir.path();
            QElapsedTimer timer;
            timer.start();
            QVERIFY(scanner.StartScan(path, true, sorted, false, false).ok);
            const qint64 ns = qMax<qint64>(timer.nsecsElapsed(), 1);
            QCOMPARE(found, 1000);
            QCOMPARE(scanner.DirCount(), 100);
            qInfo("%s walk: 10,100 entries in %.1f ms, %.0f entries per second", sorted ? "sorted" : "unsorted",
                  double(ns) / 1e6, 10100.0 * 1e9 / double(ns));
        }
    }
};

MV_TEST_MAIN(TestScanPath)
#include "tst_scanpath.moc"
