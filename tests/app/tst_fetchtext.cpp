#include "app/fetchtext.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace mv;

namespace {

// A loopback HTTP server in the test's own thread: FetchText keeps the event loop
// running, so it answers while the fetch waits. An empty reply means: never answer.
class ScriptedServer : public QObject
{
public:
    explicit ScriptedServer(QByteArray reply)
        : mReply(std::move(reply))
    {
        QVERIFY(mServer.listen(QHostAddress::LocalHost));
        connect(&mServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = mServer.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    mRequest += socket->readAll();
                    if (mRequest.contains("\r\n\r\n") && !mReply.isEmpty()) {
                        socket->write(mReply);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }
    QString url(const QString &path = "/Update.txt") const
    {
        return QString("http://127.0.0.1:%1%2").arg(mServer.serverPort()).arg(path);
    }
    QByteArray mRequest;

private:
    QTcpServer mServer;
    QByteArray mReply;
};

} // namespace

class TestFetchText : public QObject
{
    Q_OBJECT
private slots:
    void answers_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<long>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("ok") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nGetOK|1.3") << 200L << "GetOK|1.3";
        QTest::newRow("not found still completes")
            << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope") << 404L << "nope";
        QTest::newRow("gb18030 body") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n\xc4\xe3\xba\xc3") << 200L
                                      << "你好";
        QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                               "5\r\nGetOK\r\n4\r\n|2.0\r\n0\r\n\r\n")
                                 << 200L << "GetOK|2.0";
    }
    void answers()
    {
        QFETCH(QByteArray, reply);
        ScriptedServer server(reply);
        const FetchResult result = FetchText(server.url());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.status, MV_FETCH(long, status));
        QCOMPARE(result.text, MV_FETCH(QString, text));
        QVERIFY(server.mRequest.startsWith("GET /Update.txt HTTP/1.1\r\n"));
    }

    void silentServerGivesUpAfterFiveSeconds()
    {
        ScriptedServer server{QByteArray()};
        int uiTicks = 0;
        QTimer ui;
        connect(&ui, &QTimer::timeout, [&uiTicks] { ++uiTicks; });
        ui.start(100);
        QElapsedTimer clock;
        clock.start();
        const FetchResult result = FetchText(server.url());
        const qint64 waited = clock.elapsed();
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY2(waited >= 4500 && waited <= 6500, qPrintable(QString::number(waited)));
        // The user interface kept running while it waited.
        QVERIFY2(uiTicks >= 30, qPrintable(QString::number(uiTicks)));
    }

    void refusedConnectionFailsAtOnce()
    {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        QElapsedTimer clock;
        clock.start();
        const FetchResult result = FetchText(QString("http://127.0.0.1:%1/Update.txt").arg(port));
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(clock.elapsed() < 3000);
    }

    void otherSchemesAreRefused()
    {
        const FetchResult result = FetchText("file:///etc/passwd");
        QVERIFY(!result.ok);
        QVERIFY(result.text.isEmpty());
    }
};

MV_TEST_MAIN(TestFetchText)
#include "tst_fetchtext.moc"
