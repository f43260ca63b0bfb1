// The download controller against a scripted loopback server: headers, status codes, the
// chunked transfer with its events, cancel, pause, resume, the overwrite questions, the
// connection check, and the rate and time texts.

#include "app/messagebox.h"
#include "scriptedhttp.h"
#include "testutil.h"
#include "updater/download.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

Q_DECLARE_METATYPE(mv::MsgResult)
Q_DECLARE_METATYPE(std::optional<QString>)

using namespace mv;
using namespace mv::test;

namespace {

// Every signal of the controller, in order, as "Name:value".
class EventLog
{
public:
    explicit EventLog(DownLoad &dl)
    {
        QObject::connect(&dl, &DownLoad::DLComplete, [this] { events << "DLComplete"; });
        QObject::connect(&dl, &DownLoad::DLError, [this](const QString &t) { events << "DLError:" + t; });
        QObject::connect(&dl, &DownLoad::DLECode, [this](int c) { events << "DLECode:" + QString::number(c); });
        QObject::connect(&dl, &DownLoad::RecievedBytes, [this](int n) { events << "RecievedBytes:" + QString::number(n); });
        QObject::connect(&dl, &DownLoad::Percent, [this](int p) { events << "Percent:" + QString::number(p); });
        QObject::connect(&dl, &DownLoad::StatusChange, [this](const QString &t) { events << "StatusChange:" + t; });
        QObject::connect(&dl, &DownLoad::Rate, [this](const QString &t) { events << "Rate:" + t; });
        QObject::connect(&dl, &DownLoad::TimeLeft, [this](const QString &t) { events << "TimeLeft:" + t; });
        QObject::connect(&dl, &DownLoad::ConnectionState, [this](const QString &t) { events << "ConnectionState:" + t; });
    }
    // The events since the last take.
    QStringList take() { return std::exchange(events, QStringList()); }
    QStringList events;
};

// One pass of the transfer loop.
QStringList pass(const QString &rate, const QString &time, int bytes, int percent)
{
    return {"Rate:" + rate, "TimeLeft:" + time, "RecievedBytes:" + QString::number(bytes),
            "Percent:" + QString::number(percent), "StatusChange:Recieving File, Inputting DATA to File."};
}

const QStringList HeadersRead = {"StatusChange:Initiating Connection.",
                                 "StatusChange:Connection Accepted, Retrieving File Information.",
                                 "StatusChange:Retrieving File Information Complete!"};

QStringList failed(const QString &url)
{
    return {"DLError:Error Downloading File from : " + url,
            "StatusChange:Download Aborted Due To Error In Download!", "DLECode:1"};
}

// Answers message boxes from a list, in order, and keeps what was asked.
struct ScriptedAnswers {
    QList<MsgResult> answers;
    QList<MessageRequest> seen;
    MessageBoxHandler previous;
    explicit ScriptedAnswers(QList<MsgResult> a)
        : answers(std::move(a))
    {
        previous = SetMessageBoxHandler([this](const MessageRequest &r) {
            seen.append(r);
            return answers.isEmpty() ? MsgResult::Ok : answers.takeFirst();
        });
    }
    ~ScriptedAnswers() { SetMessageBoxHandler(previous); }
};

struct ScriptedInput {
    QList<std::optional<QString>> answers;
    QStringList defaults;
    DownLoad::InputBox previous;
    explicit ScriptedInput(QList<std::optional<QString>> a)
        : answers(std::move(a))
    {
        previous = DownLoad::SetInputBoxHandler([this](const QString &prompt, const QString &title, const QString &text) {
            if (prompt != "Please type in a new file path and name.\r\nExample: C:\\File2.txt" || title != "New File...")
                return std::optional<QString>();
            defaults << text;
            return answers.isEmpty() ? std::optional<QString>() : answers.takeFirst();
        });
    }
    ~ScriptedInput() { DownLoad::SetInputBoxHandler(previous); }
};

Reply whole(const QByteArray &body, const QList<int> &cuts = {})
{
    Reply reply{{{Head("HTTP/1.1 200 OK", {"Content-Length: " + QByteArray::number(body.size())})}}};
    reply.pieces += Cut(body, cuts);
    return reply;
}

} // namespace

class TestDownLoad : public QObject
{
    Q_OBJECT
    QTemporaryDir mDir;
    QString path(const QString &name) const { return mDir.path() + '/' + name; }

    // A controller whose clock stands still one second after the headers were read.
    std::unique_ptr<DownLoad> controller(const QString &url, const QString &target)
    {
        auto dl = std::make_unique<DownLoad>();
        dl->setUrl(url);
        dl->setSaveLocation(target);
        dl->SetClock([] { return 100.0; });
        return dl;
    }

private slots:
    void rateText_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0 Bytes/S";
        QTest::newRow("half to even, down") << 2.5 << "2 Bytes/S";
        QTest::newRow("half to even, up") << 3.5 << "4 Bytes/S";
        QTest::newRow("1022.5") << 1022.5 << "1022 Bytes/S";
        QTest::newRow("1023") << 1023.0 << "1023 Bytes/S";
        QTest::newRow("1023.5 in the gap") << 1023.5 << "";
        QTest::newRow("1024") << 1024.0 << "1 KB/S";
        QTest::newRow("1536") << 1536.0 << "1.5 KB/S";
        QTest::newRow("2048") << 2048.0 << "2 KB/S";
        QTest::newRow("two decimals") << 5000.0 << "4.88 KB/S";
        QTest::newRow("top of the KB range") << 1048575.0 << "1024 KB/S";
        QTest::newRow("a megabyte") << 1048576.0 << "";
        QTest::newRow("2 000 000") << 2000000.0 << "";
        QTest::newRow("negative") << -1.0 << "";
    }
    void rateText()
    {
        QFETCH(double, rate);
        QCOMPARE(RateText(rate), MV_FETCH(QString, text));
    }

    void timeText_data()
    {
        QTest::addColumn<float>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0f << "0 sec";
        QTest::newRow("half away from zero") << 0.5f << "1 sec";
        QTest::newRow("45") << 45.0f << "45 sec";
        QTest::newRow("59") << 59.0f << "59 sec";
        QTest::newRow("59.5 in the gap") << 59.5f << "0 hr 1 min";
        QTest::newRow("60") << 60.0f << "1 min 0 sec";
        QTest::newRow("125") << 125.0f << "2 min 5 sec";
        QTest::newRow("half to even in minutes") << 60.5f << "1 min 0 sec";
        QTest::newRow("3599") << 3599.0f << "59 min 59 sec";
        QTest::newRow("3600") << 3600.0f << "1 hr 0 min";
        QTest::newRow("3725") << 3725.0f << "1 hr 2 min";
        QTest::newRow("negative") << -30.0f << "-1 hr 0 min";
        QTest::newRow("negative, remainder keeps the sign") << -90.0f << "-1 hr -2 min";
    }
    void timeText()
    {
        QFETCH(float, seconds);
        QCOMPARE(TimeText(seconds), MV_FETCH(QString, text));
    }

    void keepTypePath_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("path");
        QTest::newRow("extension replaced") << "http://h/a/setup.zip" << "/tmp/File1.tmp" << "/tmp/File1.zip";
        QTest::newRow("longer extension") << "http://h/a/pic.jpeg" << "/tmp/x/a.b" << "/tmp/x/a.jpeg";
        QTest::newRow("path without extension") << "http://h/a/setup.zip" << "/tmp/setupfile" << "/tmp/setupfile.zip";
        QTest::newRow("URL without extension") << "http://h/download" << "/tmp/File1.tmp" << "/tmp/File1.tmp";
        QTest::newRow("URL too short") << "h.zip" << "/tmp/File1.tmp" << "";
        QTest::newRow("path too short") << "http://h/a.zip" << "/a.b" << "";
    }
    void keepTypePath()
    {
        QFETCH(QString, url);
        QFETCH(QString, save);
        QCOMPARE(KeepTypePath(url, save), MV_FETCH(QString, path));
    }

    // 5000 bytes arriving in odd pieces come out as 1024 × 4, 904 and the empty end.
    void chunksAndTheirEvents()
    {
        ScriptedHttp server;
        const QByteArray body = Pattern(5000);
        server.route("setup.bin", whole(body, {700, 1, 1500, 2, 2797}));
        auto dl = controller(server.url("setup.bin"), path("chunks"));
        EventLog log(*dl);

        dl->GetFileInformation();
        QCOMPARE(log.take(), HeadersRead);
        QCOMPARE(dl->FileSize(), 5000);
        QVERIFY(dl->FileExists());
        QVERIFY(dl->ResumeSupported());
        QVERIFY(dl->AResume());
        QVERIFY(server.requests.at(0).startsWith("GET /setup.bin HTTP/1.1\r\n"));

        dl->DownLoadFile();
        QStringList expected{"StatusChange:Opening " + path("chunks") + " For DATA Input."};
        expected += pass("1 KB/S", "4 sec", 1024, 20);
        expected += pass("2 KB/S", "1 sec", 2048, 41);
        expected += pass("3 KB/S", "1 sec", 3072, 61);
        expected += pass("4 KB/S", "0 sec", 4096, 82);
        expected += pass("4.88 KB/S", "0 sec", 5000, 100);
        expected += pass("4.88 KB/S", "0 sec", 5000, 100); // the empty chunk
        expected += QStringList{"DLComplete", "StatusChange:Download Successful!"};
        QCOMPARE(log.take(), expected);
        QCOMPARE(ReadBytes(path("chunks")), body);
        QVERIFY(!dl->InDL());
    }

    void rateCountsTheTimeSinceTheHeaders()
    {
        ScriptedHttp server;
        server.route("f", whole(Pattern(2048)));
        auto dl = controller(server.url("f"), path("timed"));
        double now = 10;
        dl->SetClock([&now] { return now; });
        EventLog log(*dl);
        dl->GetFileInformation();
        now = 13; // four seconds since the start time, which is a second before the headers
        dl->DownLoadFile();
        QVERIFY2(log.events.contains("Rate:256 Bytes/S"), qPrintable(log.events.join('\n')));
        QVERIFY(log.events.contains("TimeLeft:4 sec"));
        QVERIFY(log.events.contains("Rate:512 Bytes/S"));
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("exists");
        QTest::newRow("401") << QByteArray("HTTP/1.1 401 Unauthorized")
                             << QStringList{"StatusChange:Unauthorized Access, Download Terminated!", "DLECode:401",
                                            "DLError:Unauthorized Access!"}
                             << true;
        QTest::newRow("403") << QByteArray("HTTP/1.1 403 Forbidden")
                             << QStringList{"StatusChange:Access Denied, Download Terminated!", "DLECode:403",
                                            "DLError:Access Denied!"}
                             << true;
        QTest::newRow("404") << QByteArray("HTTP/1.1 404 Not Found")
                             << QStringList{"DLError:File Not Found!", "StatusChange:File Not Found!", "DLECode:2"}
                             << false;
    }
    void refusals()
    {
        QFETCH(QByteArray, status);
        ScriptedHttp server;
        server.route("good", whole(Pattern(5000)));
        server.route("bad", Reply{{{Head(status, {"Content-Length: 9"}) + "no access"}}});
        auto dl = controller(server.url("good"), path("refused"));
        dl->GetFileInformation();
        QCOMPARE(dl->FileSize(), 5000);
        QVERIFY(dl->ResumeSupported());

        EventLog log(*dl);
        dl->setUrl(server.url("bad"));
        dl->GetFileInformation();
        QCOMPARE(log.take(), HeadersRead.mid(0, 2) + MV_FETCH(QStringList, events));
        QCOMPARE(dl->FileSize(), 0);
        QCOMPARE(dl->FileExists(), MV_FETCH(bool, exists));
        QCOMPARE(dl->ResumeSupported(), status.contains("404")); // 404 leaves it as it was

        // Nothing is left to read: a download now fails and writes no body.
        dl->DownLoadFile();
        QCOMPARE(log.take().mid(1), failed(server.url("bad")));
        QCOMPARE(ReadBytes(path("refused")), QByteArray());
    }

    void otherStatusesAreSuccess()
    {
        ScriptedHttp server;
        const QByteArray body = "<html>server error page</html>";
        server.route("err", Reply{{{Head("HTTP/1.1 500 Internal Server Error",
                                         {"Content-Length: " + QByteArray::number(body.size())}) + body}}});
        auto dl = controller(server.url("err"), path("error-page"));
        EventLog log(*dl);
        dl->GetFileInformation();
        QCOMPARE(log.take(), HeadersRead);
        QCOMPARE(dl->FileSize(), body.size());
        dl->DownLoadFile();
        QVERIFY(log.events.contains("DLComplete"));
        QCOMPARE(ReadBytes(path("error-page")), body);
    }

    void unreadableHeaders_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("no Content-Length") << Head("HTTP/1.1 200 OK", {"Connection: close"}) + "some body";
        QTest::newRow("not a number") << Head("HTTP/1.1 200 OK", {"Content-Length: 12ab"}) + "some body";
        QTest::newRow("beyond 32 bits") << Head("HTTP/1.1 200 OK", {"Content-Length: 4294967296"}) + "x";
    }
    void unreadableHeaders()
    {
        ScriptedHttp server;
        server.route("good", whole(Pattern(5000)));
        server.route("odd", Reply{{{MV_FETCH(QByteArray, reply)}}});
        auto dl = controller(server.url("good"), path("odd"));
        dl->GetFileInformation();
        EventLog log(*dl);
        dl->setUrl(server.url("odd"));
        dl->GetFileInformation();
        const QStringList unreadable{"DLError:Error Reading File Headers.", "StatusChange:Error Reading File Headers!",
                                     "DLECode:3"};
        QCOMPARE(log.take(), HeadersRead.mid(0, 2) + unreadable);
        QCOMPARE(dl->FileSize(), 5000); // unchanged
    }

    void unreachableServer()
    {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        for (const QString &url : {QString("http://127.0.0.1:%1/setup").arg(port), QString()}) {
            auto dl = controller(url, path("unreachable"));
            EventLog log(*dl);
            dl->GetFileInformation();
            QCOMPARE(log.events.mid(log.events.size() - 3),
                     (QStringList{"DLError:Error Reading File Headers.", "StatusChange:Error Reading File Headers!",
                                  "DLECode:3"}));
            QCOMPARE(dl->FileSize(), 0);
        }
    }

    void cancelWhileWaitingForHeaders()
    {
        ScriptedHttp server;
        server.route("silent", Reply{{}, false});
        auto dl = controller(server.url("silent"), path("silent"));
        EventLog log(*dl);
        QTimer::singleShot(200, dl.get(), [&dl] { dl->Cancel(); });
        QElapsedTimer clock;
        clock.start();
        dl->GetFileInformation();
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(log.take(), (QStringList{"StatusChange:Initiating Connection.", "StatusChange:Cancelling..",
                                          "DLECode:4", "StatusChange:cancelled."}));
        QVERIFY(!dl->CCancel());
    }

    void cancelDuringTheTransfer()
    {
        ScriptedHttp server;
        const QByteArray body = Pattern(10000);
        // Half the body, then silence with the connection open.
        server.route("stall", Reply{{{Head("HTTP/1.1 200 OK", {"Content-Length: 10000"})}, {body.left(2048), 5}}, false});
        auto dl = controller(server.url("stall"), path("stalled"));
        dl->GetFileInformation();
        EventLog log(*dl);
        bool inTransfer = false;
        connect(dl.get(), &DownLoad::RecievedBytes, dl.get(), [&](int bytes) {
            inTransfer = dl->InDL();
            if (bytes == 2048)
                QTimer::singleShot(300, dl.get(), [&dl] { dl->Cancel(); });
        });
        dl->DownLoadFile();
        QVERIFY(inTransfer);
        const QStringList events = log.take();
        QCOMPARE(events.mid(events.size() - 3),
                 (QStringList{"StatusChange:Cancelling..", "DLECode:4", "StatusChange:Cancelled."}));
        QVERIFY(!events.contains("DLComplete"));
        QVERIFY(!dl->InDL());
        QVERIFY(!dl->CCancel());
        QCOMPARE(ReadBytes(path("stalled")), body.left(2048)); // the partly written file stays
    }

    void pendingCancelRefusesTheDownload()
    {
        ScriptedHttp server;
        server.route("f", whole(Pattern(3000)));
        auto dl = controller(server.url("f"), path("refused-by-cancel"));
        dl->GetFileInformation();
        dl->Cancel();
        EventLog log(*dl);
        dl->DownLoadFile();
        dl->DLResume();
        QCOMPARE(log.events, QStringList());
        QVERIFY(dl->CCancel());
        QVERIFY(!QFileInfo::exists(path("refused-by-cancel")));
    }

    void pauseHoldsTheLoop()
    {
        ScriptedHttp server;
        const QByteArray body = Pattern(4096);
        server.route("f", whole(body));
        auto dl = controller(server.url("f"), path("paused"));
        dl->GetFileInformation();
        EventLog log(*dl);
        connect(dl.get(), &DownLoad::RecievedBytes, dl.get(), [&dl](int bytes) {
            if (bytes == 2048) {
                dl->Pause(true);
                QTimer::singleShot(100, dl.get(), [&dl] { dl->Pause(false); });
            }
        });
        dl->DownLoadFile();
        const QStringList events = log.take();
        const qsizetype paused = events.indexOf("StatusChange:Paused.");
        const qsizetype unpausing = events.indexOf("StatusChange:Unpausing");
        QVERIFY2(paused > events.indexOf("RecievedBytes:2048"), qPrintable(events.join('\n')));
        QVERIFY(unpausing > paused);
        QVERIFY(events.indexOf("RecievedBytes:3072") > unpausing);
        QVERIFY(events.contains("DLComplete"));
        QCOMPARE(ReadBytes(path("paused")), body);
    }

    void truncatedBodyFails()
    {
        ScriptedHttp server;
        const QByteArray body = Pattern(5000);
        Reply reply{{{Head("HTTP/1.1 200 OK", {"Content-Length: 5000"})}}};
        reply.pieces += Cut(body.left(3000), {1000, 2000});
        server.route("cut", reply);
        auto dl = controller(server.url("cut"), path("cut"));
        dl->GetFileInformation();
        EventLog log(*dl);
        dl->DownLoadFile();
        const QStringList events = log.take();
        QVERIFY2(!events.contains("DLComplete"), qPrintable(events.join('\n')));
        QCOMPARE(events.mid(events.size() - 3), failed(server.url("cut")));
        QVERIFY(events.contains("RecievedBytes:3000"));
        QVERIFY(!dl->InDL());
        QCOMPARE(ReadBytes(path("cut")), body.left(3000));
    }

    void emptyBodyFails()
    {
        ScriptedHttp server;
        server.route("empty", Reply{{{Head("HTTP/1.1 200 OK", {"Content-Length: 0"})}}});
        auto dl = controller(server.url("empty"), path("empty"));
        dl->GetFileInformation();
        QCOMPARE(dl->FileSize(), 0);
        EventLog log(*dl);
        dl->DownLoadFile();
        QCOMPARE(log.take().mid(1), failed(server.url("empty")));
    }

    // A partial file of 3000 bytes (its contents marked, to see what is kept) and the
    // server's answer to the ranged request.
    void resume_data()
    {
        QTest::addColumn<QByteArray>("status");      // answer to the ranged request
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("restarted");         // the whole file came: written from its start
        QTest::newRow("the rest") << QByteArray("206") << true << false;
        QTest::newRow("the whole file") << QByteArray("200") << true << true;
        QTest::newRow("a part from elsewhere") << QByteArray("206 wrong") << false << false;
        QTest::newRow("range refused") << QByteArray("416") << false << false;
    }
    void resume()
    {
        QFETCH(QByteArray, status);
        const bool complete = MV_FETCH(bool, complete);
        const bool restarted = MV_FETCH(bool, restarted);
        ScriptedHttp server;
        const QByteArray body = Pattern(5000);
        server.route("setup", [&](const QByteArray &request) {
            if (!request.contains("\r\nRange: "))
                return whole(body);
            if (status == "206")
                return Reply{{{Head("HTTP/1.1 206 Partial Content",
                                    {"Content-Range: bytes 3000-4999/5000", "Content-Length: 2000"})},
                              {body.mid(3000), 5}}};
            if (status == "206 wrong")
                return Reply{{{Head("HTTP/1.1 206 Partial Content",
                                    {"Content-Range: bytes 0-1999/5000", "Content-Length: 2000"})},
                              {body.left(2000), 5}}};
            if (status == "416")
                return Reply{{{Head("HTTP/1.1 416 Range Not Satisfiable", {"Content-Length: 0"})}}};
            return whole(body, {1500});
        });
        const QString target = path("resume-" + QString::fromLatin1(status).replace(' ', '-'));
        QByteArray partial = body.left(3000);
        if (restarted)
            partial.fill('x'); // not the server's bytes: none of it may stay
        QVERIFY(WriteBytes(target, partial));

        auto dl = controller(server.url("setup"), target);
        dl->GetFileInformation();
        QVERIFY(dl->ResumeSupported());
        EventLog log(*dl);
        dl->DLResume();
        const QStringList events = log.take();
        QVERIFY(server.requests.last().contains("\r\nRange: bytes=3000-\r\n"));
        QCOMPARE(events.contains("DLComplete"), complete);
        if (complete) {
            QCOMPARE(ReadBytes(target), body);
            QCOMPARE(events.at(0), "StatusChange:Opening " + target + " For DATA Input.");
            QCOMPARE(events.mid(1, 5), restarted ? pass("1 KB/S", "4 sec", 1024, 20) : pass("1 KB/S", "1 sec", 4024, 80));
            QVERIFY(events.contains("RecievedBytes:5000"));
        } else {
            QCOMPARE(events, failed(server.url("setup")));
            QCOMPARE(ReadBytes(target), partial);
        }
    }

    void resumeNeedsAFileAndSupport()
    {
        ScriptedHttp server;
        server.route("v10", Reply{{{Head("HTTP/1.0 200 OK", {"Content-Length: 10"}) + "0123456789"}}});
        auto dl = controller(server.url("v10"), path("no-such-partial"));
        dl->GetFileInformation();
        QVERIFY(!dl->ResumeSupported());
        EventLog log(*dl);
        dl->DLResume();
        QCOMPARE(log.take(), (QStringList{"DLError:Resume File Not Found!", "DLECode:6",
                                          "StatusChange:Resume File Not Found, Aborting Download!"}));
        QVERIFY(WriteBytes(path("no-such-partial"), "01234"));
        dl->DLResume();
        QCOMPARE(log.take(), (QStringList{"DLError:Resume Not Supported!", "DLECode:7",
                                          "StatusChange:Resume NotSupported, Aborting Download!"}));
        QCOMPARE(ReadBytes(path("no-such-partial")), QByteArray("01234"));
    }

    void existingFileIsReplacedWhole()
    {
        ScriptedHttp server;
        const QByteArray body = Pattern(3000);
        server.route("f", whole(body));
        QVERIFY(WriteBytes(path("old"), QByteArray(8000, 'o')));
        auto dl = controller(server.url("f"), path("old"));
        ScriptedAnswers answers({});
        dl->GetFileInformation();
        dl->DownLoadFile();
        QVERIFY(answers.seen.isEmpty()); // not asked without PromptOverwrite
        QCOMPARE(ReadBytes(path("old")), body);
    }

    // The overwrite question and the questions for another name. Every file that is
    // written ends up holding the body alone; every other keeps its bytes.
    void promptOverwrite_data()
    {
        QTest::addColumn<QList<MsgResult>>("boxes");
        QTest::addColumn<QList<std::optional<QString>>>("names"); // "@" stands for the first path
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("written"); // "" when nothing is
        using Names = QList<std::optional<QString>>;
        QTest::newRow("yes") << QList<MsgResult>{MsgResult::Yes} << Names{} << QStringList{"Overwrite?"} << "first";
        QTest::newRow("another name, asked again")
            << QList<MsgResult>{MsgResult::No, MsgResult::Yes} << Names{QString("second")}
            << QStringList{"Overwrite?", "Overwrite?"} << "second";
        QTest::newRow("another name that is free")
            << QList<MsgResult>{MsgResult::No} << Names{QString("fresh")} << QStringList{"Overwrite?"} << "fresh";
        QTest::newRow("empty, then the same path kept")
            << QList<MsgResult>{MsgResult::No, MsgResult::Ok, MsgResult::No} << Names{QString(""), QString("@")}
            << QStringList{"Overwrite?", "Error!", "Try Again?"} << "first";
        QTest::newRow("same path, try again, another name")
            << QList<MsgResult>{MsgResult::No, MsgResult::Yes} << Names{QString("@"), QString("fresh")}
            << QStringList{"Overwrite?", "Try Again?"} << "fresh";
        QTest::newRow("cancelled") << QList<MsgResult>{MsgResult::No} << Names{std::nullopt} << QStringList{"Overwrite?"}
                                   << "";
    }
    void promptOverwrite()
    {
        QFETCH(QList<MsgResult>, boxes);
        QFETCH(QList<std::optional<QString>>, names);
        QTemporaryDir dir;
        const auto at = [&dir](const QString &name) { return dir.path() + '/' + name; };
        const QByteArray old1(8000, '1'), old2(9000, '2');
        QVERIFY(WriteBytes(at("first"), old1));
        QVERIFY(WriteBytes(at("second"), old2));
        for (std::optional<QString> &name : names) {
            if (name && !name->isEmpty())
                *name = *name == "@" ? at("first") : at(*name);
        }

        ScriptedHttp server;
        const QByteArray body = Pattern(3000);
        server.route("f", whole(body));
        auto dl = controller(server.url("f"), at("first"));
        dl->setPromptOverwrite(true);
        ScriptedAnswers answers(boxes);
        ScriptedInput input(names);
        EventLog log(*dl);
        dl->GetFileInformation();
        dl->DownLoadFile();

        QStringList titles;
        for (const MessageRequest &r : answers.seen)
            titles << r.title;
        QCOMPARE(titles, MV_FETCH(QStringList, titles));
        QCOMPARE(answers.seen.at(0).text, "Would you like to overwrite the file at: " + at("first") + " ?");
        QCOMPARE(answers.seen.at(0).icon, MsgIcon::Information);
        QCOMPARE(answers.seen.at(0).buttons, MsgButtons::YesNo);
        for (const MessageRequest &r : answers.seen) {
            if (r.title == "Error!")
                QVERIFY(r.text == "You didn't specify a file!" && r.icon == MsgIcon::Exclamation);
            if (r.title == "Try Again?")
                QVERIFY(r.text == "You typed in the same file! Would you like type in a different file?"
                        && r.icon == MsgIcon::Critical && r.buttons == MsgButtons::YesNo);
        }
        if (!input.defaults.isEmpty())
            QCOMPARE(input.defaults.first(), at("first")); // pre-filled with the current path

        const QString written = MV_FETCH(QString, written);
        QCOMPARE(ReadBytes(at("first")), written == "first" ? body : old1);
        QCOMPARE(ReadBytes(at("second")), written == "second" ? body : old2);
        QCOMPARE(QFileInfo::exists(at("fresh")), written == "fresh");
        if (written == "fresh")
            QCOMPARE(ReadBytes(at("fresh")), body);
        if (written.isEmpty())
            QCOMPARE(log.events.mid(log.events.size() - 2),
                     (QStringList{"DLECode:4", "StatusChange:Cancelled."}));
        else
            QVERIFY(log.events.contains("DLComplete"));
    }

    void keepTypeSavesUnderTheUrlsExtension()
    {
        ScriptedHttp server;
        server.route("setup.zip", whole(Pattern(100)));
        auto dl = controller(server.url("setup.zip"), path("File1.tmp"));
        dl->setKeepType(true);
        dl->GetFileInformation();
        dl->DownLoadFile();
        QCOMPARE(ReadBytes(path("File1.zip")), Pattern(100));
        QVERIFY(!QFileInfo::exists(path("File1.tmp")));
    }

    void connectionCheck()
    {
        ScriptedHttp server;
        server.route("f", whole(Pattern(100)));
        auto dl = controller(server.url("f"), path("online"));
        dl->setOnlineCheck(true);
        quint32 flags = 0;
        dl->SetConnectionProbe([&flags] { return flags; });
        EventLog log(*dl);
        ScriptedAnswers answers({});
        dl->GetFileInformation();
        const QStringList refused{"DLECode:5", "DLError:No Connection Found!",
                                  "StatusChange:Download aborted, no connection present!"};
        QCOMPARE(log.take(), refused);
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen.at(0).text,
                 "You are not currently connected to the internet!\r\nThe download will be aborted!");
        QCOMPARE(answers.seen.at(0).buttons, MsgButtons::Ok);
        QVERIFY(!dl->Connected());
        QVERIFY(server.requests.isEmpty());

        dl->DownLoadFile(); // refused again, without a question
        QCOMPARE(log.take(), refused);
        QCOMPARE(answers.seen.size(), 1);

        flags = 2 | 4;
        dl->GetFileInformation();
        QCOMPARE(log.take(), QStringList({"ConnectionState:Connected Via LAN.",
                                          "ConnectionState:Connected Through A Proxy."}) + HeadersRead);
        QVERIFY(dl->Connected());
        dl->DownLoadFile();
        QVERIFY(log.take().contains("DLComplete"));
        QCOMPARE(ReadBytes(path("online")), Pattern(100));
        flags = 1;
        dl->GetFileInformation();
        QCOMPARE(log.take(), QStringList{"ConnectionState:Connected Via Modem."} + HeadersRead);
    }
};

MV_TEST_MAIN(TestDownLoad)
#include "tst_download.moc"
