// The browser's daily update check against a scripted loopback server: the announcement's
// reply cases, once a day, the updater written out of the embedded resource and started, the
// setup program started at close, and the whole flow through the real Update program.

#include "app/inifile.h"
#include "browser/updatecheck.h"
#include "scriptedhttp.h"
#include "testutil.h"

#include <QFileInfo>
#include <QTcpServer>
#include <QTemporaryDir>

Q_DECLARE_METATYPE(mv::CheckOutcome)

using namespace mv;
using namespace mv::test;

namespace {

Reply text(const QByteArray &body, int delayMs = 0)
{
    return Reply{{{Head("HTTP/1.1 200 OK", {"Content-Length: " + QByteArray::number(body.size())}) + body, delayMs}}};
}

const QDate Today(2026, 12, 11);

// What the check asked to start.
struct Starts {
    struct Start {
        QString program;
        QStringList arguments;
        QString folder;
    };
    QList<Start> seen;
    bool result = true;
    UpdateCheck::Starter starter()
    {
        return [this](const QString &program, const QStringList &arguments, const QString &folder) {
            seen.append({program, arguments, folder});
            return result;
        };
    }
};

QString lastCheck(const QString &folder)
{
    return ReadIniValue("Config", "LastCheckUpdate", folder + "/Config.ini");
}

bool isExecutable(const QString &path)
{
    return QFileInfo(path).isExecutable();
}

// The program as Mirovale carries it: the built Update without its debug information.
QByteArray builtUpdater()
{
    return ReadBytes(MIROVALE_PACKED_UPDATE);
}

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private slots:
    void replies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<CheckOutcome>("outcome");
        QTest::newRow("newer, CR LF") << QByteArray("GetOK|1.3|%URL%\r\n") << CheckOutcome::UpdaterStarted;
        QTest::newRow("equal is not newer") << QByteArray("GetOK|1.2|%URL%") << CheckOutcome::NotNewer;
        QTest::newRow("1.10 is 1.1") << QByteArray("GetOK|1.10|%URL%") << CheckOutcome::NotNewer;
        QTest::newRow("marker case") << QByteArray("getok|1.3|%URL%") << CheckOutcome::NothingAnnounced;
        QTest::newRow("empty field not counted") << QByteArray("GetOK||1.3") << CheckOutcome::UpdaterStarted;
        QTest::newRow("line break before the marker")
            << QByteArray("Notice\r\nGetOK|1.3|%URL%") << CheckOutcome::NothingAnnounced;
        QTest::newRow("text before the marker on its line")
            << QByteArray("xxGetOK|1.3|%URL%") << CheckOutcome::UpdaterStarted;
        QTest::newRow("tab and no-break space separate")
            << QByteArray("GetOK|\t\xc2\xa0" "1.3\t%URL%") << CheckOutcome::UpdaterStarted;
        QTest::newRow("version not a number") << QByteArray("GetOK|abc|%URL%") << CheckOutcome::NothingAnnounced;
        QTest::newRow("version with text behind") << QByteArray("GetOK|1.3beta|%URL%") << CheckOutcome::NothingAnnounced;
        QTest::newRow("empty reply") << QByteArray() << CheckOutcome::NothingAnnounced;
    }
    void replies()
    {
        QFETCH(QByteArray, reply);
        const CheckOutcome outcome = MV_FETCH(CheckOutcome, outcome);
        ScriptedHttp server;
        server.route("Update.txt", text(reply.replace("%URL%", server.url("UpdateSetup").toUtf8())));
        qputenv("MIROVALE_UPDATE_URL", server.base().toUtf8());
        QTemporaryDir dir;
        Starts starts;
        UpdateCheck check(dir.path());
        check.SetStarter(starts.starter());

        QCOMPARE(check.CheckUpdate(Today), outcome);
        QCOMPARE(server.requestsFor("Update.txt").size(), 1);
        QCOMPARE(lastCheck(dir.path()), QString("2026-12-11"));
        const QString updater = dir.path() + "/Update";
        if (outcome == CheckOutcome::UpdaterStarted) {
            QCOMPARE(starts.seen.size(), 1);
            QCOMPARE(starts.seen.at(0).program, updater);
            QCOMPARE(starts.seen.at(0).arguments, QStringList{"/1.2"});
            QVERIFY(ReadBytes(updater) == builtUpdater()); // the embedded program, byte for byte
            QVERIFY(isExecutable(updater));
        } else {
            QVERIFY(starts.seen.isEmpty());
            QVERIFY(!QFileInfo::exists(updater));
        }
        QVERIFY(server.requestsFor("UpdateSetup").isEmpty()); // the browser never fetches the setup
    }

    // The day counts as checked at the start, even when the server cannot be reached.
    void onceADay()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString base = QString("http://127.0.0.1:%1/").arg(closed.serverPort());
        closed.close();
        qputenv("MIROVALE_UPDATE_URL", base.toUtf8());
        QTemporaryDir dir;
        Starts starts;
        UpdateCheck check(dir.path());
        check.SetStarter(starts.starter());

        QVERIFY(check.Due(Today));
        QCOMPARE(check.CheckUpdate(Today), CheckOutcome::NoReply);
        QCOMPARE(lastCheck(dir.path()), QString("2026-12-11"));
        QVERIFY(!check.Due(Today));
        QVERIFY(check.Due(Today.addDays(1)));
        QVERIFY(check.Due(Today.addDays(-1)));
        QVERIFY(starts.seen.isEmpty());
    }

    // An Update already in the folder is started as it is, never replaced.
    void existingUpdaterIsKept()
    {
        ScriptedHttp server;
        server.route("Update.txt", text("GetOK|1.3|x"));
        qputenv("MIROVALE_UPDATE_URL", server.base().toUtf8());
        QTemporaryDir dir;
        const QString updater = dir.path() + "/Update";
        QVERIFY(WriteBytes(updater, "#!/bin/sh\n"));
        Starts starts;
        UpdateCheck check(dir.path());
        check.SetStarter(starts.starter());
        QCOMPARE(check.CheckUpdate(Today), CheckOutcome::UpdaterStarted);
        QCOMPARE(ReadBytes(updater), QByteArray("#!/bin/sh\n"));
        QVERIFY(isExecutable(updater));
        QCOMPARE(starts.seen.size(), 1);
    }

    // Neither a place that cannot hold the updater nor a failed start ends anything.
    void startFailures()
    {
        ScriptedHttp server;
        server.route("Update.txt", text("GetOK|1.3|x"));
        qputenv("MIROVALE_UPDATE_URL", server.base().toUtf8());
        QTemporaryDir dir;
        Starts starts;
        UpdateCheck check(dir.path());
        check.SetStarter(starts.starter());

        QVERIFY(QDir().mkpath(dir.path() + "/Update")); // a folder where the program would go
        QCOMPARE(check.CheckUpdate(Today), CheckOutcome::StartFailed);
        QVERIFY(starts.seen.isEmpty());
        QVERIFY(QFileInfo(dir.path() + "/Update").isDir());

        QVERIFY(QDir(dir.path() + "/Update").removeRecursively());
        starts.result = false;
        QCOMPARE(check.CheckUpdate(Today), CheckOutcome::StartFailed);
        QCOMPARE(starts.seen.size(), 1);
        QCOMPARE(lastCheck(dir.path()), QString("2026-12-11"));
    }

    // The browser closed while the fetch waited: the check stops and starts nothing.
    void ownerGoneWhileWaiting()
    {
        ScriptedHttp server;
        server.route("Update.txt", text("GetOK|1.3|x", 400));
        qputenv("MIROVALE_UPDATE_URL", server.base().toUtf8());
        QTemporaryDir dir;
        Starts starts;
        auto *check = new UpdateCheck(dir.path());
        check->SetStarter(starts.starter());
        QTimer::singleShot(100, [check] { delete check; });
        QCOMPARE(check->CheckUpdate(Today), CheckOutcome::Abandoned);
        QVERIFY(starts.seen.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.path() + "/Update"));
    }

    void pendingSetup_data()
    {
        QTest::addColumn<QString>("version"); // UpdateVersion; empty: not written
        QTest::addColumn<bool>("setupThere");
        QTest::addColumn<bool>("started");
        QTest::newRow("newer with the setup") << "1.3" << true << true;
        QTest::newRow("newer without the setup") << "1.3" << false << false;
        QTest::newRow("equal") << "1.2" << true << false;
        QTest::newRow("1.10 is 1.1") << "1.10" << true << false;
        QTest::newRow("not a number") << "1.3beta" << true << false;
        QTest::newRow("no version recorded") << "" << true << false;
    }
    void pendingSetup()
    {
        QFETCH(QString, version);
        const bool setupThere = MV_FETCH(bool, setupThere);
        const bool started = MV_FETCH(bool, started);
        QTemporaryDir dir;
        if (!version.isEmpty())
            QVERIFY(IniWrite(dir.path() + "/Config.ini", "Config", "UpdateVersion", version).ok);
        const QString setup = dir.path() + "/UpdateSetup";
        if (setupThere)
            QVERIFY(WriteBytes(setup, "#!/bin/sh\n"));
        Starts starts;
        UpdateCheck check(dir.path());
        check.SetStarter(starts.starter());

        QCOMPARE(check.StartPendingSetup(), started);
        QCOMPARE(starts.seen.size(), started ? 1 : 0);
        if (started) {
            QCOMPARE(starts.seen.at(0).program, setup);
            QVERIFY(starts.seen.at(0).arguments.isEmpty());
            QVERIFY(isExecutable(setup));
            // Nothing is cleared: every later close starts it again.
            QCOMPARE(check.StartPendingSetup(), true);
            QCOMPARE(ReadIniValue("Config", "UpdateVersion", dir.path() + "/Config.ini"), version);
        }
    }

    // Mirovale links the packed resource tree that this test reads its Update from.
    void mirovaleCarriesTheBuiltUpdater()
    {
        const QByteArray packed = ReadBytes(MIROVALE_UPDATER_RCC_FILE);
        QVERIFY(packed.size() > 1000);
        QVERIFY(ReadBytes(MIROVALE_BIN_DIR "/Mirovale").contains(packed));
        QFile resource(":/CUSTOM/103");
        QVERIFY(resource.open(QIODevice::ReadOnly));
        QVERIFY(resource.readAll() == builtUpdater());
    }

    // The real programs: the check writes Update out of the resource and starts it, Update
    // asks again, downloads UpdateSetup and records UpdateVersion, and the next close of the
    // browser starts UpdateSetup.
    void wholeFlow()
    {
        ScriptedHttp server;
        const QByteArray setupProgram = "#!/bin/sh\necho \"ran with $# arguments\" > \"$(dirname \"$0\")/setup-ran\"\n";
        server.route("Update.txt", text("GetOK|1.3|" + server.url("UpdateSetup").toUtf8() + "\r\n"));
        server.route("UpdateSetup", text(setupProgram));
        qputenv("MIROVALE_UPDATE_URL", server.base().toUtf8());
        QTemporaryDir dir;
        UpdateCheck check(dir.path());

        QVERIFY(check.StartPendingSetup() == false);
        QCOMPARE(check.CheckUpdate(Today), CheckOutcome::UpdaterStarted);
        const QString config = dir.path() + "/Config.ini";
        QTRY_COMPARE_WITH_TIMEOUT(ReadIniValue("Config", "UpdateVersion", config), QString("1.3"), 60000);
        QCOMPARE(server.requestsFor("Update.txt").size(), 2);
        QCOMPARE(server.requestsFor("UpdateSetup").size(), 1);
        QCOMPARE(ReadBytes(dir.path() + "/UpdateSetup"), setupProgram);
        QCOMPARE(lastCheck(dir.path()), QString("2026-12-11"));

        QVERIFY(check.StartPendingSetup());
        QTRY_COMPARE_WITH_TIMEOUT(ReadBytes(dir.path() + "/setup-ran"), QByteArray("ran with 0 arguments\n"), 20000);
    }
};

MV_TEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
