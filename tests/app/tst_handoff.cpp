#include "app/handoff.h"
#include "app/inifile.h"
#include "testutil.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

using namespace mv;

namespace {

// A copy of the program folder with its own Config.ini and a trace file that every
// process started from it writes to.
class ProgramFolder
{
public:
    ProgramFolder()
    {
        QFile::copy(QStringLiteral(MIROVALE_BIN_DIR "/Mirovale"), program());
        QFile::setPermissions(program(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~ProgramFolder()
    {
        for (auto &process : mRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    QString program() const { return mDir.path() + "/Mirovale"; }
    QString config() const { return mDir.path() + "/Config.ini"; }

    QProcess *start(const QStringList &arguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MIROVALE_TRACE", mDir.path() + "/trace");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(program(), arguments);
        process->waitForStarted();
        mRunning.push_back(std::move(process));
        return mRunning.back().get();
    }

    // Runs a start that should hand its path over and end.
    bool runToEnd(const QStringList &arguments, qint64 *pid)
    {
        QProcess *process = start(arguments);
        *pid = process->processId();
        return process->waitForFinished(20000) && process->exitStatus() == QProcess::NormalExit
               && process->exitCode() == 0;
    }

    QStringList trace(qint64 pid) const
    {
        QFile file(mDir.path() + "/trace");
        QStringList lines;
        if (!file.open(QIODevice::ReadOnly))
            return lines;
        const QString prefix = QString::number(pid) + ' ';
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (line.startsWith(prefix))
                lines << line.mid(prefix.size());
        }
        return lines;
    }

private:
    QTemporaryDir mDir;
    std::vector<std::unique_ptr<QProcess>> mRunning;
};

bool anyStartsWith(const QStringList &lines, const QString &prefix)
{
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace

class TestHandoff : public QObject
{
    Q_OBJECT
    QTemporaryDir mPics;
    QString pic(const QString &name) const { return mPics.path() + '/' + name; }

private slots:
    void initTestCase()
    {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        for (const char *name : {"a.png", "b.png", "c d.png"})
            QVERIFY(image.save(pic(name), "PNG"));
        QDir().mkpath(pic("other"));
        QVERIFY(image.save(pic("other/z.png"), "PNG"));
    }

    void handoffNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number"); // -1: not numeric
        QTest::newRow("plain") << "1846186685" << 1846186685;
        QTest::newRow("blanks") << " 12 " << 12;
        QTest::newRow("exponent") << "1e3" << 1000;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("text") << "abc" << -1;
        QTest::newRow("too large") << "99999999999" << -1;
    }
    void handoffNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        const std::optional<qint32> parsed = HandoffNumber(text);
        QCOMPARE(parsed.has_value(), number >= 0);
        if (parsed)
            QCOMPARE(*parsed, number);
    }

    void receiverAnswersAfterItsHandler()
    {
        QStringList received;
        HandoffReceiver receiver([&received](const QString &text) { received << text; });
        QVERIFY(receiver.listen());
        QVERIFY(receiver.number() > 0);
        // The sender blocks, so it runs in another process; here only the refusals.
        QCOMPARE(SendHandoff("abc", "x"), HandoffResult::NotNumeric);
        QCOMPARE(SendHandoff(QString::number(receiver.number() ^ 0x5a5a), "x"), HandoffResult::NoReceiver);
        QVERIFY(received.isEmpty());
    }

    void browserFirstThenViewer()
    {
        ProgramFolder folder;
        QVERIFY(!QFile::exists(folder.config()));

        // No receiver and no Config.ini: the viewer opens by itself and registers.
        QProcess *viewer = folder.start({pic("a.png")});
        QTRY_VERIFY_WITH_TIMEOUT(!ReadIniValue("Config", "TempHwnd2", folder.config()).isEmpty(), 15000);
        QTRY_VERIFY(folder.trace(viewer->processId()).contains("ShowPic FrmShow " + pic("a.png")));
        QVERIFY(folder.trace(viewer->processId()).contains("show FrmShow"));

        QProcess *browser = folder.start({});
        QTRY_VERIFY_WITH_TIMEOUT(!ReadIniValue("Config", "TempHwnd1", folder.config()).isEmpty(), 15000);

        // Both live: the browser is asked first; quotes are removed.
        qint64 sender = 0;
        QVERIFY(folder.runToEnd({"\"" + pic("b.png") + "\""}, &sender));
        QVERIFY(folder.trace(browser->processId()).contains("ShowCmdPic Frmmain " + pic("b.png")));
        QVERIFY(folder.trace(browser->processId()).contains("ShowPic FrmShow " + pic("b.png")));
        QCOMPARE(folder.trace(sender), QStringList{"handed to Frmmain"});
        QVERIFY(!anyStartsWith(folder.trace(viewer->processId()), "ShowCmdPic"));

        // A stale or non-numeric browser entry is skipped: the viewer takes the path.
        const QString live1 = ReadIniValue("Config", "TempHwnd1", folder.config());
        const QStringList skipped{QString::number(live1.toLongLong() ^ 0x3c3c), "abc"};
        for (const QString &stale : skipped) {
            QVERIFY(WriteProfileString(folder.config(), "Config", QString("TempHwnd1"), stale));
            QVERIFY(folder.runToEnd({pic("other/z.png")}, &sender));
            QCOMPARE(folder.trace(sender), QStringList{"handed to FrmShow"});
        }
        const QStringList viewerTrace = folder.trace(viewer->processId());
        QCOMPARE(viewerTrace.count("ShowCmdPic FrmShow " + pic("other/z.png")), 2);
        QCOMPARE(viewerTrace.count("ShowPic FrmShow " + pic("other/z.png")), 2);

        // Two quoted paths arrive as one text, joined by the blank.
        QVERIFY(folder.runToEnd({"\"" + pic("c") + "\"", "\"d.png\""}, &sender));
        QVERIFY(folder.trace(viewer->processId()).contains("ShowCmdPic FrmShow " + pic("c d.png")));
        QVERIFY(folder.trace(viewer->processId()).contains("ShowPic FrmShow " + pic("c d.png")));
    }

    void staleViewerMeansANewViewer()
    {
        ProgramFolder folder;
        QVERIFY(WriteProfileString(folder.config(), "Config", QString("TempHwnd1"), QString("12345")));
        QVERIFY(WriteProfileString(folder.config(), "Config", QString("TempHwnd2"), QString("notanumber")));
        QProcess *viewer = folder.start({pic("missing-folder/x.png")});
        QTRY_VERIFY_WITH_TIMEOUT(folder.trace(viewer->processId()).contains("ShowPic FrmShow <none>"), 15000);
        QVERIFY(folder.trace(viewer->processId()).contains("show FrmShow"));
        const QString number = ReadIniValue("Config", "TempHwnd2", folder.config());
        QVERIFY(HandoffNumber(number).has_value());
        QCOMPARE(ReadIniValue("Config", "TempHwnd1", folder.config()), QString("12345"));
    }
};

MV_TEST_MAIN(TestHandoff)
#include "tst_handoff.moc"
