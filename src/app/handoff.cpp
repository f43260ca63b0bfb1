#include "app/handoff.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QPointer>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>
#include <limits>
#include <memory>
#include <unistd.h>

namespace mv {

namespace {

constexpr qsizetype MaxTextBytes = 1024 * 1024;
constexpr int ConnectWaitMs = 2000;
// A receiver shows the image before it answers; past this the sender gives up waiting.
constexpr int ReplyWaitMs = 120000;
constexpr char DoneByte = 'D';

QByteArray frame(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray bytes(4, '\0');
    qToBigEndian<quint32>(quint32(utf8.size()), bytes.data());
    return bytes + utf8;
}

bool isLive(const QString &name)
{
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool live = probe.waitForConnected(ConnectWaitMs);
    probe.abort();
    return live;
}

} // namespace

QString HandoffServerName(qint64 number)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/Mirovale-%1-%2").arg(getuid()).arg(number);
}

std::optional<qint32> HandoffNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(rounded);
}

HandoffReceiver::HandoffReceiver(Handler handler, QObject *parent)
    : QObject(parent)
    , mHandler(std::move(handler))
{
    mServer.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&mServer, &QLocalServer::newConnection, this, &HandoffReceiver::acceptConnections);
}

bool HandoffReceiver::listen()
{
    for (int attempt = 0; attempt < 32; ++attempt) {
        const qint32 candidate = qint32(QRandomGenerator::global()->bounded(1, std::numeric_limits<qint32>::max()));
        const QString name = HandoffServerName(candidate);
        if (isLive(name))
            continue;
        QLocalServer::removeServer(name); // a socket left by an ended instance
        if (mServer.listen(name)) {
            mNumber = candidate;
            return true;
        }
    }
    return false;
}

void HandoffReceiver::acceptConnections()
{
    while (QLocalSocket *socket = mServer.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->size() < 4)
                return;
            const quint32 length = qFromBigEndian<quint32>(buffer->constData());
            if (length > MaxTextBytes) {
                socket->abort();
                return;
            }
            if (buffer->size() < qsizetype(4 + length))
                return;
            const QString text = QString::fromUtf8(buffer->constData() + 4, qsizetype(length));
            buffer->clear();
            QPointer<QLocalSocket> guard(socket);
            if (mHandler)
                mHandler(text);
            if (guard) {
                guard->write(&DoneByte, 1);
                guard->flush();
                guard->disconnectFromServer();
            }
        });
    }
}

HandoffResult SendHandoff(const QString &handleText, const QString &text)
{
    const std::optional<qint32> number = HandoffNumber(handleText);
    if (!number)
        return HandoffResult::NotNumeric;
    QLocalSocket socket;
    socket.connectToServer(HandoffServerName(*number));
    if (!socket.waitForConnected(ConnectWaitMs))
        return HandoffResult::NoReceiver;
    socket.write(frame(text));
    socket.waitForBytesWritten(ConnectWaitMs);
    QElapsedTimer waited;
    waited.start();
    while (socket.bytesAvailable() == 0 && socket.state() == QLocalSocket::ConnectedState) {
        const qint64 left = ReplyWaitMs - waited.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(int(left)))
            break;
    }
    return HandoffResult::Delivered;
}

} // namespace mv
