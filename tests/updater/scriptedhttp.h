#pragma once

// A loopback HTTP server inside the test, in the test's own thread: the code under test
// lets events run while it waits, so the server answers meanwhile. Each path has a script:
// pieces of the reply (status line, headers, body parts) written after their delays, then
// the connection closed or left hanging.

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace mv::test {

struct Piece {
    QByteArray bytes;
    int delayMs = 0; // waited before these bytes go out
};

struct Reply {
    QList<Piece> pieces;
    bool close = true; // false: the connection stays open after the last piece
};

// "HTTP/1.1 200 OK" plus header lines, ended by the empty line.
inline QByteArray Head(const QByteArray &statusLine, const QList<QByteArray> &headers = {})
{
    QByteArray head = statusLine + "\r\n";
    for (const QByteArray &header : headers)
        head += header + "\r\n";
    return head + "\r\n";
}

// The body cut into pieces of the given sizes, each after delayMs.
inline QList<Piece> Cut(const QByteArray &body, const QList<int> &sizes, int delayMs = 5)
{
    QList<Piece> pieces;
    int at = 0;
    for (int size : sizes) {
        pieces.append({body.mid(at, size), delayMs});
        at += size;
    }
    if (at < body.size())
        pieces.append({body.mid(at), delayMs});
    return pieces;
}

// A body of n bytes that shows where each byte sits.
inline QByteArray Pattern(int n)
{
    QByteArray body(n, '\0');
    for (int i = 0; i < n; ++i)
        body[i] = char('A' + (i * 7 + i / 251) % 26);
    return body;
}

class ScriptedHttp : public QObject
{
public:
    // The script for a path, made from the request's head (request line and headers).
    using Script = std::function<Reply(const QByteArray &request)>;

    ScriptedHttp()
    {
        mServer.listen(QHostAddress::LocalHost);
        connect(&mServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = mServer.nextPendingConnection())
                serve(socket);
        });
    }

    void route(const QString &path, Script script) { mRoutes.insert(path, std::move(script)); }
    void route(const QString &path, const Reply &reply)
    {
        mRoutes.insert(path, [reply](const QByteArray &) { return reply; });
    }

    QString base() const { return QString("http://127.0.0.1:%1/").arg(mServer.serverPort()); }
    QString url(const QString &path) const { return base() + path; }

    // Request heads in arrival order, and those for one path.
    QList<QByteArray> requests;
    QList<QByteArray> requestsFor(const QString &path) const
    {
        QList<QByteArray> found;
        const QByteArray line = "GET /" + path.toUtf8() + " ";
        for (const QByteArray &request : requests) {
            if (request.startsWith(line))
                found.append(request);
        }
        return found;
    }

private:
    void serve(QTcpSocket *socket)
    {
        auto *buffer = new QByteArray;
        connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QByteArray request = buffer->left(end + 4);
            buffer->clear();
            requests.append(request);
            const QByteArray target = request.split(' ').value(1);
            const auto found = mRoutes.constFind(QString::fromUtf8(target.mid(1)));
            Reply reply;
            if (found != mRoutes.constEnd())
                reply = (*found)(request);
            else
                reply = Reply{{{Head("HTTP/1.1 404 Not Found", {"Content-Length: 0"})}}};
            play(socket, reply, 0);
        });
    }

    void play(QTcpSocket *socket, const Reply &reply, int index)
    {
        if (index >= reply.pieces.size()) {
            if (reply.close)
                socket->disconnectFromHost();
            return;
        }
        const QPointer<QTcpSocket> alive(socket);
        QTimer::singleShot(reply.pieces.at(index).delayMs, this, [this, alive, reply, index] {
            if (!alive || alive->state() != QAbstractSocket::ConnectedState)
                return;
            alive->write(reply.pieces.at(index).bytes);
            alive->flush();
            play(alive, reply, index + 1);
        });
    }

    QTcpServer mServer;
    QHash<QString, Script> mRoutes;
};

} // namespace mv::test
