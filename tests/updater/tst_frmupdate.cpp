// The Update window and its load handler against a scripted loopback server, and the
// Update program itself started from a copy of the program folder.

#include "app/inifile.h"
#include "messageanswers.h"
#include "scriptedhttp.h"
#include "testutil.h"
#include "updater/download.h"
#include "updater/frmupdate.h"
#include "updater/progbar.h"

#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

using namespace mv;
using namespace mv::test;

namespace {

Reply text(const QByteArray &body)
{
    return Reply{{{Head("HTTP/1.1 200 OK", {"Content-Length: " + QByteArray::number(body.size())}) + body}}};
}

Reply setupReply(const QByteArray &body, int sent)
{
    Reply reply{{{Head("HTTP/1.1 200 OK", {"Content-Length: " + QByteArray::number(body.size())})}}};
    reply.pieces += Cut(body.left(sent), {1000, 1000});
    return reply;
}

QString updateVersion(const QString &folder)
{
    return ReadIniValue("Config", "UpdateVersion", folder + "/Config.ini");
}

// The server of one run: the announcement and the setup program.
struct Server {
    ScriptedHttp http;
    QByteArray setup = Pattern(5000);
    explicit Server(const QByteArray &announcement, int sent = 5000)
    {
        QByteArray reply = announcement;
        reply.replace("%URL%", http.url("UpdateSetup").toUtf8());
        http.route("Update.txt", text(reply));
        http.route("UpdateSetup", setupReply(setup, sent));
        qputenv("MIROVALE_UPDATE_URL", http.base().toUtf8());
    }
};

} // namespace

class TestFrmUpdate : public QObject
{
    Q_OBJECT

private slots:
    void window()
    {
        QTemporaryDir dir;
        FrmUpdate form(dir.path());
        QCOMPARE(form.windowTitle(), QString("Mirovale-在线升级"));
        QCOMPARE(form.size(), QSize(282, 72));
        QCOMPARE(form.Label1->text(), QString("正在下载升级包,请稍后..."));
        QCOMPARE(form.Label1->pos(), QPoint(8, 8));
        QCOMPARE(form.Label2->text(), QString("0%"));
        QCOMPARE(form.Label2->pos(), QPoint(248, 8));
        QCOMPARE(form.ProgBar1->geometry(), QRect(8, 32, 265, 17));
        QCOMPARE(form.ProgBar1->Scrolling(), 0);
        QCOMPARE(form.ProgBar1->Color(), QColor(10, 36, 106));
        QCOMPARE(form.ProgBar1->Value(), 0);
        QCOMPARE(form.DownLoad1->CHUNK(), 1024);
        QVERIFY(!form.DownLoad1->OnlineCheck());
        QVERIFY(!form.DownLoad1->KeepType());
        QVERIFY(!form.DownLoad1->PromptOverwrite());
        QVERIFY(!form.isVisible());
    }

    void flow_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QByteArray>("announcement");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("recorded"); // UpdateVersion afterwards; empty: no download
        QTest::newRow("newer") << "/1.2" << QByteArray("GetOK|1.3|%URL%\r\n") << "1.2" << "1.3";
        QTest::newRow("slashes all removed") << "//1.2/" << QByteArray("GetOK|1.3|%URL%") << "1.2" << "1.3";
        QTest::newRow("leading number of the version") << "/1.2" << QByteArray("GetOK|1.3beta|%URL%") << "1.2" << "1.3beta";
        QTest::newRow("current not a number") << "/x.y" << QByteArray("GetOK|1.3|%URL%") << "x.y" << "1.3";
        QTest::newRow("equal") << "/1.2" << QByteArray("GetOK|1.2|%URL%\r\n") << "1.2" << "";
        QTest::newRow("1.10 is 1.1") << "/1.2" << QByteArray("GetOK|1.10|%URL%") << "1.2" << "";
        QTest::newRow("abc reads as 0") << "/1.2" << QByteArray("GetOK|abc|%URL%") << "1.2" << "";
        QTest::newRow("no setup URL") << "/1.2" << QByteArray("GetOK|1.3\r\n") << "1.2" << "";
        QTest::newRow("marker case") << "/1.2" << QByteArray("getok|1.3|%URL%") << "1.2" << "";
        QTest::newRow("no command line") << "" << QByteArray("GetOK|1.3|%URL%") << "" << "";
    }
    void flow()
    {
        QFETCH(QString, commandLine);
        const QString recorded = MV_FETCH(QString, recorded);
        Server server(MV_FETCH(QByteArray, announcement));
        QTemporaryDir dir;
        FrmUpdate form(dir.path());
        form.Form_Load(commandLine);

        QCOMPARE(form.state(), FrmUpdate::State::Ended);
        QCOMPARE(form.CurrentVersion(), MV_FETCH(QString, current));
        QCOMPARE(server.http.requestsFor("Update.txt").size(), commandLine.isEmpty() ? 0 : 1);
        QCOMPARE(updateVersion(dir.path()), recorded);
        if (recorded.isEmpty()) {
            QVERIFY(server.http.requestsFor("UpdateSetup").isEmpty());
            QVERIFY(!QFileInfo::exists(dir.path() + "/UpdateSetup"));
            QCOMPARE(form.Label2->text(), QString("0%"));
        } else {
            QCOMPARE(form.NewVersion(), recorded);
            QCOMPARE(form.SetupUrl(), server.http.url("UpdateSetup"));
            QCOMPARE(form.SetupSize(), 5000);
            QCOMPARE(ReadBytes(dir.path() + "/UpdateSetup"), server.setup);
            QCOMPARE(form.Label2->text(), QString("100"));
        }
        QVERIFY(!form.isVisible());
    }

    void staleSetupIsDeletedEvenWhenTheDownloadFails()
    {
        Server server("GetOK|1.3|%URL%");
        server.http.route("UpdateSetup", Reply{{{Head("HTTP/1.1 404 Not Found", {"Content-Length: 0"})}}});
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.path() + "/UpdateSetup", "stale setup"));
        FrmUpdate form(dir.path());
        form.Form_Load("/1.2");
        QCOMPARE(form.state(), FrmUpdate::State::Ended);
        QCOMPARE(form.SetupSize(), 0);
        QVERIFY(!QFileInfo::exists(dir.path() + "/UpdateSetup"));
        QCOMPARE(updateVersion(dir.path()), QString());
    }

    void failedTransferLeavesTheWindowShown()
    {
        Server server("GetOK|1.3|%URL%", 3000);
        QTemporaryDir dir;
        FrmUpdate form(dir.path());
        form.Form_Load("/1.2");
        QCOMPARE(form.state(), FrmUpdate::State::Shown);
        QCOMPARE(form.Label2->text(), QString("60")); // the last percentage received, bare
        QCOMPARE(updateVersion(dir.path()), QString());
        QCOMPARE(ReadBytes(dir.path() + "/UpdateSetup"), server.setup.left(3000)); // stays for the next run
    }

    void failedVersionWriteStillEnds()
    {
        Server server("GetOK|1.3|%URL%");
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.path() + "/Config.ini")); // cannot be written as a file
        MessageAnswers answers(MsgResult::Ok);
        FrmUpdate form(dir.path());
        form.Form_Load("/1.2");
        QCOMPARE(form.state(), FrmUpdate::State::Ended);
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen.at(0).text, QString("写入信息时出错,请确定您有足够的权限！"));
        QCOMPARE(ReadBytes(dir.path() + "/UpdateSetup"), server.setup);
    }

    // The program itself: ended at once without work, shown after a failed transfer.
    void updateProgram()
    {
        Server server("GetOK|1.3|%URL%", 3000);
        QTemporaryDir dir;
        const QString program = dir.path() + "/Update";
        QVERIFY(QFile::copy(MIROVALE_BIN_DIR "/Update", program));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MIROVALE_UPDATE_URL", server.http.base());
        env.insert("MIROVALE_TRACE", dir.path() + "/trace");
        env.insert("QT_QPA_PLATFORM", "offscreen");

        QProcess quiet;
        quiet.setProcessEnvironment(env);
        quiet.start(program, {});
        QVERIFY(quiet.waitForFinished(20000));
        QCOMPARE(quiet.exitCode(), 0);
        QVERIFY(server.http.requests.isEmpty());

        QProcess failing;
        failing.setProcessEnvironment(env);
        failing.setProcessChannelMode(QProcess::ForwardedChannels);
        failing.start(program, {"/1.2"});
        QVERIFY(failing.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(ReadBytes(dir.path() + "/trace").contains("show FrmUpdate"), 20000);
        QCOMPARE(failing.state(), QProcess::Running); // the window waits for the user
        QCOMPARE(updateVersion(dir.path()), QString());
        QCOMPARE(ReadBytes(dir.path() + "/UpdateSetup"), server.setup.left(3000));
        failing.kill();
        failing.waitForFinished(5000);
    }
};

MV_TEST_MAIN(TestFrmUpdate)
#include "tst_frmupdate.moc"
