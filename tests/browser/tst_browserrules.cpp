#include "browser/browserrules.h"

#include "app/settings.h"

#include "testutil.h"

using namespace mv;

class TestBrowserRules : public QObject
{
    Q_OBJECT
private slots:
    void fileLenText_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        const QString c = QStringLiteral("C");
        QTest::newRow("nothing") << qint64(0) << c << QStringLiteral("0字节");
        QTest::newRow("512 bytes") << qint64(512) << c << QStringLiteral("512字节");
        QTest::newRow("last of the bytes") << qint64(1023) << c << QStringLiteral("1023字节");
        QTest::newRow("one Kb keeps its point") << qint64(1024) << c << QStringLiteral("1. Kb");
        QTest::newRow("one and a half") << qint64(1536) << c << QStringLiteral("1.5 Kb");
        QTest::newRow("two places") << qint64(1100) << c << QStringLiteral("1.07 Kb");
        QTest::newRow("2048 bytes") << qint64(2048) << c << QStringLiteral("2. Kb");
        QTest::newRow("rounds up to the unit's end") << qint64(1048575) << c << QStringLiteral("1024. Kb");
        QTest::newRow("one Mb") << qint64(1048576) << c << QStringLiteral("1. Mb");
        QTest::newRow("Mb with places") << qint64(2621440) << c << QStringLiteral("2.5 Mb");
        QTest::newRow("one Gb") << qint64(1073741824) << c << QStringLiteral("1. Gb");
        // Past the 32-bit range: no negative size.
        QTest::newRow("five Gb") << qint64(5) * 1073741824 << c << QStringLiteral("5. Gb");
        QTest::newRow("German separator") << qint64(1536) << QStringLiteral("de_DE") << QStringLiteral("1,5 Kb");
        QTest::newRow("German, no places") << qint64(1024) << QStringLiteral("de_DE") << QStringLiteral("1, Kb");
    }
    void fileLenText()
    {
        QFETCH(qint64, length);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(FileLenText(length, QLocale(locale)), text);
    }

    void getFileLenReadsTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/a.jpg");
        QVERIFY(test::WriteBytes(path, QByteArray(2048, 'x')));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(GetFileLen(path), QStringLiteral("2. Kb"));
        QCOMPARE(GetFileLen(dir.path() + QStringLiteral("/missing.jpg")), QStringLiteral("0字节"));
        // A folder is no file.
        QCOMPARE(GetFileLen(dir.path()), QStringLiteral("0字节"));
    }

    void restoredBounds_data()
    {
        QTest::addColumn<QString>("playerWnd");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QRect>("bounds");
        const QSize screen(1024, 768);
        QTest::newRow("first start: centred") << QString() << screen << QRect(104, 59, 815, 650);
        QTest::newRow("too small") << QStringLiteral("100,50,300,200") << screen << QRect(100, 50, 815, 650);
        QTest::newRow("left off the screen") << QStringLiteral("-20,10,900,700") << screen << QRect(62, 10, 900, 700);
        QTest::newRow("kept") << QStringLiteral("10,20,900,700") << screen << QRect(10, 20, 900, 700);
        QTest::newRow("wider than the screen") << QStringLiteral("0,0,1100,700") << screen << QRect(0, 0, 815, 700);
        QTest::newRow("top beyond the screen") << QStringLiteral("5,800,900,700") << screen << QRect(5, 34, 900, 700);
        QTest::newRow("left beyond the screen") << QStringLiteral("1025,0,900,700") << screen << QRect(62, 0, 900, 700);
        QTest::newRow("three fields") << QStringLiteral("10,20,900") << screen << QRect(104, 59, 815, 650);
        QTest::newRow("not numbers") << QStringLiteral("a,b,c,d") << screen << QRect(104, 59, 815, 650);
        QTest::newRow("fractions") << QStringLiteral("10.5,20,900,700") << screen << QRect(104, 59, 815, 650);
    }
    void restoredBounds()
    {
        QFETCH(QString, playerWnd);
        QFETCH(QSize, screen);
        QFETCH(QRect, bounds);
        QCOMPARE(RestoredBounds(playerWnd, screen), bounds);
    }

    void historyWithVisit_data()
    {
        const QString clear = QString::fromUtf8(ClearHistoryItem);
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("first visit") << QStringList() << QStringLiteral("/a/") << QStringList{"/a/", clear};
        QTest::newRow("no path: the clear entry only") << QStringList() << QString() << QStringList{clear};
        QTest::newRow("no path, list kept") << QStringList{"/a/", clear} << QString() << QStringList{"/a/", clear};
        QTest::newRow("moves to the top")
            << QStringList{"/a/", "/b/", "/c/", clear} << QStringLiteral("/c/") << QStringList{"/c/", "/a/", "/b/", clear};
        QTest::newRow("exact comparison")
            << QStringList{"/a/", clear} << QStringLiteral("/A/") << QStringList{"/A/", "/a/", clear};
        QTest::newRow("clear entry put back")
            << QStringList{"/a/"} << QStringLiteral("/b/") << QStringList{"/b/", "/a/", clear};
    }
    void historyWithVisit()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, path);
        QFETCH(QStringList, after);
        QCOMPARE(HistoryWithVisit(before, path), after);
    }

    void historyIsBounded_data()
    {
        QTest::addColumn<int>("folders");
        QTest::addRow("24 folders") << 24;
        QTest::addRow("25 folders, as loaded") << 25;
    }
    void historyIsBounded()
    {
        QFETCH(int, folders);
        const QString clear = QString::fromUtf8(ClearHistoryItem);
        QStringList entries;
        for (int i = 0; i < folders; ++i)
            entries << QStringLiteral("/f%1/").arg(i);
        entries << clear;
        const QStringList after = HistoryWithVisit(entries, QStringLiteral("/new/"));
        QCOMPARE(after.size(), HistoryListMax);
        QCOMPARE(after.first(), QStringLiteral("/new/"));
        QCOMPARE(after.last(), clear);
        // The oldest folders gave way; the newest stayed in their order.
        QCOMPARE(after.mid(1, after.size() - 2), entries.mid(0, HistoryListMax - 2));
        // A visit to a folder in a full list drops nothing.
        const QStringList again = HistoryWithVisit(after, QStringLiteral("/f5/"));
        QCOMPARE(again.size(), HistoryListMax);
        QCOMPARE(again.first(), QStringLiteral("/f5/"));
        QCOMPARE(again.count(QStringLiteral("/f5/")), 1);
    }
};

MV_TEST_MAIN(TestBrowserRules)
#include "tst_browserrules.moc"
