// The whole update with the real programs: the browser of a copied Mirovale finds 1.3 a
// second after it opens, writes out and starts Update, which downloads UpdateSetup and
// records the version; the browser's next close starts the setup.
#include "app/inifile.h"
#include "scriptedhttp.h"
#include "testutil.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace mv;
using namespace mv::test;

namespace {

Reply text(const QByteArray &body)
{
    return Reply{{{Head("HTTP/1.1 200 OK", {"Content-Length: " + QByteArray::number(body.size())}) + body, 0}}};
}

QString configValue(const QString &folder, const QString &key)
{
    return ReadIniValue(QStringLiteral("Config"), key, folder + QStringLiteral("/Config.ini"));
}

} // namespace

class TestUpdateFlow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { (void)sandboxHome(); }

    void browserStartsUpdateAndLaterTheSetup()
    {
        ScriptedHttp server;
        const QByteArray setup = "#!/bin/sh\necho \"ran with $# arguments\" > \"$(dirname \"$0\")/setup-ran\"\n";
        server.route("Update.txt", text("GetOK|1.3|" + server.url("UpdateSetup").toUtf8() + "\r\n"));
        server.route("UpdateSetup", text(setup));

        QTemporaryDir dir;
        const QString program = dir.path() + QStringLiteral("/Mirovale");
        QVERIFY(QFile::copy(QStringLiteral(MIROVALE_BIN_DIR "/Mirovale"), program));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MIROVALE_UPDATE_URL"), server.base());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

        const auto startBrowser = [&](QProcess &browser) {
            browser.setProcessEnvironment(env);
            browser.setProcessChannelMode(QProcess::ForwardedChannels);
            browser.start(program, {});
            return browser.waitForStarted();
        };

        QProcess first;
        QVERIFY(startBrowser(first));
        QTRY_COMPARE_WITH_TIMEOUT(configValue(dir.path(), QStringLiteral("UpdateVersion")), QStringLiteral("1.3"), 60000);
        QVERIFY(QFile::exists(dir.path() + QStringLiteral("/Update")));
        QCOMPARE(server.requestsFor("Update.txt").size(), 2); // the browser's check, then Update's
        QCOMPARE(server.requestsFor("UpdateSetup").size(), 1);
        QCOMPARE(configValue(dir.path(), QStringLiteral("LastCheckUpdate")),
                 QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/setup-ran")));

        // Asked to end, the browser closes as the user would close it.
        first.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(first.state() == QProcess::NotRunning, 20000);
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QTRY_COMPARE_WITH_TIMEOUT(ReadBytes(dir.path() + QStringLiteral("/setup-ran")),
                                  QByteArray("ran with 0 arguments\n"), 20000);

        // The same day: a second start asks nothing.
        QProcess second;
        QVERIFY(startBrowser(second));
        QTest::qWait(2500);
        QCOMPARE(server.requestsFor("Update.txt").size(), 2);
        second.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
    }
};

MV_TEST_MAIN(TestUpdateFlow)
#include "tst_updateflow.moc"
