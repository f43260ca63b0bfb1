#include "app/appstate.h"
#include "app/handoff.h"
#include "app/inifile.h"
#include "app/messagebox.h"
#include "app/startup.h"
#include "browser/frmmain.h"
#include "imaging/gdiplus.h"
#include "testutil.h"
#include "viewer/frmshow.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>

#include <chrono>
#include <future>
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

    QProcess *start(const QStringList &arguments, const QString &workingFolder = QString())
    {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(workingFolder);
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
    bool runToEnd(const QStringList &arguments, qint64 *pid, const QString &workingFolder = QString())
    {
        QProcess *process = start(arguments, workingFolder);
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

// Answers every message box with handler while it lives.
struct AnsweredBy {
    MessageBoxHandler previous;
    explicit AnsweredBy(MessageBoxHandler handler)
        : previous(SetMessageBoxHandler(std::move(handler)))
    {
    }
    ~AnsweredBy() { SetMessageBoxHandler(previous); }
};

// The blocking sender on a thread of its own, so that a receiver in this thread can answer.
std::future<HandoffResult> sendInBackground(qint32 number, const QString &text)
{
    return std::async(std::launch::async, [number, text] { return SendHandoff(QString::number(number), text); });
}

bool isReady(const std::future<HandoffResult> &result)
{
    return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

QByteArray framed(const QByteArray &utf8)
{
    QByteArray bytes(4, '\0');
    qToBigEndian<quint32>(quint32(utf8.size()), bytes.data());
    return bytes + utf8;
}

// A receiver that went wrong: it listens under a number but never says it took the text.
class SilentReceiver
{
public:
    explicit SilentReceiver(bool readsAndCloses)
    {
        for (qint32 number = 424242;; ++number) {
            if (QFile::exists(HandoffServerName(number)))
                continue; // another one of these
            if (mServer.listen(HandoffServerName(number))) {
                mNumber = number;
                break;
            }
        }
        QObject::connect(&mServer, &QLocalServer::newConnection, [this, readsAndCloses] {
            while (QLocalSocket *socket = mServer.nextPendingConnection()) {
                ++mConnections;
                if (!readsAndCloses)
                    continue; // kept open, never read
                QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                    mBytes += socket->readAll();
                    socket->disconnectFromServer();
                });
            }
        });
    }
    qint32 number() const { return mNumber; }
    int connections() const { return mConnections; }
    QByteArray bytes() const { return mBytes; }

private:
    QLocalServer mServer;
    qint32 mNumber = 0;
    int mConnections = 0;
    QByteArray mBytes;
};

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
        for (const char *name : {"a.png", "b.png", "c d.png", "图 1.png"})
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

    void commandLinePath_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");
        const QString host = QSysInfo::machineHostName();
        QTest::newRow("absolute") << QStringList{"/p/a.png"} << "/p/a.png";
        QTest::newRow("quoted, blanks") << QStringList{" \"/p/a.png\" "} << "/p/a.png";
        QTest::newRow("two quoted parts") << QStringList{"\"/p/c\"", "\"d.png\""} << "/p/c d.png";
        QTest::newRow("relative") << QStringList{"a.png"} << "/work/dir/a.png";
        QTest::newRow("relative, split at a blank") << QStringList{"c", "d.png"} << "/work/dir/c d.png";
        QTest::newRow("dot parts") << QStringList{"./sub/./a.png"} << "/work/dir/sub/a.png";
        QTest::newRow("parent kept") << QStringList{"../a.png"} << "/work/dir/../a.png";
        QTest::newRow("uri") << QStringList{"file:///p/a.png"} << "/p/a.png";
        QTest::newRow("uri, single slash") << QStringList{"file:/p/a.png"} << "/p/a.png";
        QTest::newRow("uri, upper-case scheme") << QStringList{"FILE:///p/a.png"} << "/p/a.png";
        QTest::newRow("uri, percent-encoded blank and CJK")
            << QStringList{"file:///p/%E5%9B%BE%20%E7%89%87.png"} << "/p/图 片.png";
        QTest::newRow("uri, plain CJK and blank split") << QStringList{"file:///p/图", "片.png"} << "/p/图 片.png";
        QTest::newRow("uri, lone percent") << QStringList{"file:///p/100%.png"} << "/p/100%.png";
        QTest::newRow("uri, encoded hash") << QStringList{"file:///p/a%231.png"} << "/p/a#1.png";
        QTest::newRow("uri, localhost") << QStringList{"file://localhost/p/a.png"} << "/p/a.png";
        QTest::newRow("uri, this machine") << QStringList{"file://" + host + "/p/a.png"} << "/p/a.png";
        QTest::newRow("uri, quoted") << QStringList{"\"file:///p/a%20b.png\""} << "/p/a b.png";
        // Nothing here to show: passed on as it came, never read as a folder of ours.
        QTest::newRow("uri, other machine") << QStringList{"file://elsewhere.invalid/p/a.png"}
                                            << "file://elsewhere.invalid/p/a.png";
        QTest::newRow("other scheme") << QStringList{"https://example.invalid/a.png"}
                                      << "https://example.invalid/a.png";
        QTest::newRow("blanks only") << QStringList{"\"  \""} << "  ";
    }
    void commandLinePath()
    {
        QFETCH(QStringList, arguments);
        QCOMPARE(CommandLinePath(arguments, "/work/dir"), MV_FETCH(QString, path));
    }

    void commandLinePathFromTheRootFolder()
    {
        QCOMPARE(CommandLinePath({"a.png"}, "/"), QString("/a.png"));
        QCOMPARE(CommandLinePath({"a.png"}, ""), QString("a.png")); // no working folder: nothing guessed
    }

    void receiverTakesTextsWhileItsHandlerRuns()
    {
        QStringList received;
        qint32 number = 0;
        std::future<HandoffResult> second;
        bool askedToTheEnd = false;
        HandoffReceiver receiver([&](const QString &text) {
            received << text;
            if (received.size() != 1)
                return;
            // The first path opens a question; a later start is answered while it is open,
            // not taken for a dead receiver.
            second = sendInBackground(number, "/p/b.png");
            QTRY_VERIFY(isReady(second));
            QTRY_COMPARE(received.size(), 2);
            askedToTheEnd = true;
        });
        QVERIFY(receiver.listen());
        number = receiver.number();
        QVERIFY(number > 0);
        QCOMPARE(SendHandoff("abc", "x"), HandoffResult::NotNumeric);
        QCOMPARE(SendHandoff(QString::number(number ^ 0x5a5a), "x"), HandoffResult::NoReceiver);

        std::future<HandoffResult> first = sendInBackground(number, "/p/图 1.png");
        QTRY_VERIFY(isReady(first));
        QCOMPARE(first.get(), HandoffResult::Delivered);
        QTRY_VERIFY(askedToTheEnd);
        QCOMPARE(second.get(), HandoffResult::Delivered);
        QCOMPARE(received, (QStringList{"/p/图 1.png", "/p/b.png"}));
    }

    void unfinishedExchangesAreDropped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("answered"); // the receiver said it took the text
        QTest::newRow("nothing") << QByteArray() << false;
        QTest::newRow("part of the text") << framed("/p/a.png").chopped(3) << false;
        QTest::newRow("too long") << QByteArray("\x7f\xff\xff\xff", 4) << false;
        QTest::newRow("no confirmation") << framed("/p/a.png") << true;
        QTest::newRow("wrong confirmation") << framed("/p/a.png") + "X" << true;
    }
    void unfinishedExchangesAreDropped()
    {
        QFETCH(QByteArray, bytes);
        QStringList received;
        HandoffReceiver receiver([&received](const QString &text) { received << text; });
        QVERIFY(receiver.listen());
        QLocalSocket client;
        QSignalSpy dropped(&client, &QLocalSocket::disconnected);
        client.connectToServer(HandoffServerName(receiver.number()));
        QVERIFY(client.waitForConnected(2000));
        client.write(bytes);
        QVERIFY(dropped.wait(15000));
        QCOMPARE(client.readAll(), MV_FETCH(bool, answered) ? QByteArray("T") : QByteArray());
        // A sender that went quiet after the text did not count it as delivered: nothing is shown.
        QTest::qWait(50);
        QVERIFY(received.isEmpty());

        // The receiver still serves the next start.
        std::future<HandoffResult> next = sendInBackground(receiver.number(), "/p/b.png");
        QTRY_VERIFY(isReady(next));
        QCOMPARE(next.get(), HandoffResult::Delivered);
        QTRY_COMPARE(received, QStringList{"/p/b.png"});
    }

    void silentReceiverIsNoReceiver_data()
    {
        QTest::addColumn<bool>("readsAndCloses");
        QTest::newRow("reads and closes") << true;
        QTest::newRow("never answers") << false;
    }
    void silentReceiverIsNoReceiver()
    {
        SilentReceiver silent(MV_FETCH(bool, readsAndCloses));
        QElapsedTimer clock;
        clock.start();
        std::future<HandoffResult> result = sendInBackground(silent.number(), "/p/a.png");
        QTRY_VERIFY_WITH_TIMEOUT(isReady(result), 10000);
        QCOMPARE(result.get(), HandoffResult::NoAnswer);
        qInfo("a silent receiver held the sender for %lld ms", clock.elapsed());
        QCOMPARE(silent.connections(), 1);
    }

    void browserHoldsHandoffsWhileTheViewerAsks()
    {
        QTemporaryDir first, second;
        for (const char *name : {"1.png", "2.png", "3.png"})
            QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(first.path() + '/' + name, "PNG"));
        for (const char *name : {"x.png", "y.png"})
            QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(second.path() + '/' + name, "PNG"));
        QCOMPARE(GdiplusStartup(GdiToken), GdiplusOk);
        ViewerAlone = false;
        {
            Frmmain browser;
            browser.show();
            browser.Text1->setText(first.path() + "/2.png");
            FrmShow *viewer = browser.viewer();
            QCOMPARE(CurrentIndex, 1);
            QVERIFY(!browser.isVisible());

            // A later start hands a path to the browser while the viewer asks about deleting.
            int questions = 0;
            const AnsweredBy answeredBy([&](const MessageRequest &) {
                ++questions;
                browser.Text1->setText(second.path() + "/y.png");
                return MsgResult::Yes;
            });
            viewer->DeleteImage();
            QCOMPARE(questions, 1);
            QVERIFY(!QFile::exists(first.path() + "/2.png"));
            QVERIFY(QFile::exists(second.path() + "/y.png"));
            QCOMPARE(viewer->List1, (QStringList{first.path() + "/1.png", first.path() + "/3.png"}));
            QCOMPARE(viewer->windowTitle(), QString("3.png - Mirovale 万能图片查看器"));
            // Then the waiting path is shown.
            QTRY_COMPARE(viewer->List1, (QStringList{second.path() + "/x.png", second.path() + "/y.png"}));
            QCOMPARE(CurrentIndex, 1);
            QCOMPARE(viewer->windowTitle(), QString("y.png - Mirovale 万能图片查看器"));
            QVERIFY(browser.Text1->text().isEmpty());
        }
        GdiplusShutdown(GdiToken);
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
        // The receiver takes the path first and shows it after the sender has ended.
        QTRY_VERIFY(folder.trace(browser->processId()).contains("ShowPic FrmShow " + pic("b.png")));
        QVERIFY(folder.trace(browser->processId()).contains("ShowCmdPic Frmmain " + pic("b.png")));
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
        QTRY_COMPARE(folder.trace(viewer->processId()).count("ShowPic FrmShow " + pic("other/z.png")), 2);
        QCOMPARE(folder.trace(viewer->processId()).count("ShowCmdPic FrmShow " + pic("other/z.png")), 2);

        // Two quoted paths arrive as one text, joined by the blank.
        QVERIFY(folder.runToEnd({"\"" + pic("c") + "\"", "\"d.png\""}, &sender));
        QTRY_VERIFY(folder.trace(viewer->processId()).contains("ShowPic FrmShow " + pic("c d.png")));
        QVERIFY(folder.trace(viewer->processId()).contains("ShowCmdPic FrmShow " + pic("c d.png")));
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

    // A start resolves its own relative path or file URI, stand-alone and when a running
    // window takes it.
    void pathOfTheStartingProcess_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("workingFolder"); // below the pictures' folder
        QTest::addColumn<QString>("shown");         // "": no picture
        const auto uri = [this](const QString &name) {
            return QUrl::fromLocalFile(pic(name)).toString(QUrl::FullyEncoded);
        };
        QTest::newRow("relative") << QStringList{"b.png"} << "" << pic("b.png");
        QTest::newRow("relative, subfolder") << QStringList{"other/z.png"} << "" << pic("other/z.png");
        QTest::newRow("relative, parent") << QStringList{"../b.png"} << "other" << pic("other/../b.png");
        QTest::newRow("relative, split at a blank") << QStringList{"c", "d.png"} << "" << pic("c d.png");
        QTest::newRow("uri, encoded CJK and blank") << QStringList{uri("图 1.png")} << "other" << pic("图 1.png");
        QTest::newRow("uri, localhost") << QStringList{"file://localhost" + pic("b.png")} << "other" << pic("b.png");
        QTest::newRow("uri, other machine") << QStringList{"file://elsewhere.invalid" + pic("b.png")} << "" << "";
    }
    void pathOfTheStartingProcess()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, shown);
        const QString workingFolder = pic(MV_FETCH(QString, workingFolder));
        const QString expected = shown.isEmpty() ? "ShowPic FrmShow <none>" : "ShowPic FrmShow " + shown;
        ProgramFolder folder;

        QProcess *viewer = folder.start(arguments, workingFolder);
        QTRY_VERIFY_WITH_TIMEOUT(folder.trace(viewer->processId()).contains(expected), 15000);
        QVERIFY(folder.trace(viewer->processId()).contains("show FrmShow"));

        // The receiver runs in another folder: the program folder.
        QProcess *browser = folder.start({}, folder.program().section('/', 0, -2));
        QTRY_VERIFY_WITH_TIMEOUT(folder.trace(browser->processId()).contains("show Frmmain"), 15000);
        qint64 sender = 0;
        QVERIFY(folder.runToEnd(arguments, &sender, workingFolder));
        QCOMPARE(folder.trace(sender), QStringList{"handed to Frmmain"});
        QTRY_VERIFY(folder.trace(browser->processId()).contains(expected));
    }

    void silentReceiversMeanAViewerOfItsOwn_data()
    {
        QTest::addColumn<bool>("readsAndCloses");
        QTest::newRow("reads and closes") << true;
        QTest::newRow("never answers") << false;
    }
    void silentReceiversMeanAViewerOfItsOwn()
    {
        const bool readsAndCloses = MV_FETCH(bool, readsAndCloses);
        SilentReceiver browser(readsAndCloses);
        SilentReceiver viewer(readsAndCloses);
        ProgramFolder folder;
        QVERIFY(WriteProfileString(folder.config(), "Config", QString("TempHwnd1"), QString::number(browser.number())));
        QVERIFY(WriteProfileString(folder.config(), "Config", QString("TempHwnd2"), QString::number(viewer.number())));

        QElapsedTimer clock;
        clock.start();
        QProcess *sender = folder.start({pic("a.png")});
        QTRY_VERIFY_WITH_TIMEOUT(folder.trace(sender->processId()).contains("ShowPic FrmShow " + pic("a.png")), 15000);
        qInfo("two silent receivers: own viewer after %lld ms", clock.elapsed());
        const QStringList trace = folder.trace(sender->processId());
        QVERIFY(trace.contains("no answer from Frmmain"));
        QVERIFY(trace.contains("no answer from FrmShow"));
        QVERIFY(trace.contains("show FrmShow"));
        QCOMPARE(browser.connections(), 1);
        QCOMPARE(viewer.connections(), 1);
        if (readsAndCloses)
            QVERIFY(browser.bytes().endsWith(pic("a.png").toUtf8()));
        // The new viewer is the one later starts find.
        QTRY_VERIFY(ReadIniValue("Config", "TempHwnd2", folder.config()) != QString::number(viewer.number()));
    }
};

MV_TEST_MAIN(TestHandoff)
#include "tst_handoff.moc"
