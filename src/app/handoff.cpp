#include "app/handoff.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <cmath>
#include <limits>
#include <memory>
#include <unistd.h>

namespace mv {

namespace {

constexpr qsizetype MaxTextBytes = 1024 * 1024;
constexpr int ConnectWaitMs = 2000;
// A live receiver answers from its event loop at once, also while it shows a question or
// a slide show; past this it counts as missing.
constexpr int AnswerWaitMs = 3000;
// A connection that has not finished its exchange by then is dropped, so that a client
// that connects and says nothing holds nothing.
constexpr int ExchangeLimitMs = 3000;
constexpr char TakenByte = 'T';
constexpr char ConfirmByte = 'C';

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

void drop(QLocalSocket *socket)
{
    socket->abort();
    socket->deleteLater();
}

// What one connection has sent so far.
struct Exchange {
    QByteArray bytes;
    std::optional<QString> text; // set once the whole text is in and has been answered
};

// Keeps a hold for as long as its parent lives.
class HoldKeeper : public QObject
{
public:
    using QObject::QObject;

private:
    HandoffHold mHold;
};

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
        auto exchange = std::make_shared<Exchange>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto *limit = new QTimer(socket);
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, socket, [socket] {
            // A receiver that was busy past the limit still honours a confirmation that came in.
            socket->waitForReadyRead(0);
            drop(socket);
        });
        limit->start(ExchangeLimitMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, exchange] {
            exchange->bytes.append(socket->readAll());
            if (!exchange->text) {
                if (exchange->bytes.size() < 4)
                    return;
                const quint32 length = qFromBigEndian<quint32>(exchange->bytes.constData());
                if (length > MaxTextBytes) {
                    drop(socket);
                    return;
                }
                if (exchange->bytes.size() < qsizetype(4 + length))
                    return;
                exchange->text = QString::fromUtf8(exchange->bytes.constData() + 4, qsizetype(length));
                exchange->bytes.remove(0, qsizetype(4 + length));
                socket->write(&TakenByte, 1);
                socket->flush();
            }
            if (exchange->bytes.isEmpty())
                return;
            const bool confirmed = exchange->bytes.at(0) == ConfirmByte;
            drop(socket);
            if (!confirmed || !mHandler)
                return;
            // From the event loop: a handler that opens a question must not run inside
            // this socket's signal.
            QMetaObject::invokeMethod(
                this, [this, text = *exchange->text] { mHandler(text); }, Qt::QueuedConnection);
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
    QElapsedTimer waited;
    waited.start();
    socket.write(frame(text));
    while (socket.bytesToWrite() > 0) {
        const qint64 left = AnswerWaitMs - waited.elapsed();
        if (left <= 0 || !socket.waitForBytesWritten(int(left)))
            return HandoffResult::NoAnswer;
    }
    while (socket.bytesAvailable() == 0) {
        const qint64 left = AnswerWaitMs - waited.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(int(left)))
            return HandoffResult::NoAnswer;
    }
    char answer = 0;
    if (!socket.getChar(&answer) || answer != TakenByte)
        return HandoffResult::NoAnswer;
    socket.write(&ConfirmByte, 1);
    if (!socket.waitForBytesWritten(ConnectWaitMs))
        return HandoffResult::NoAnswer;
    socket.disconnectFromServer();
    return HandoffResult::Delivered;
}

HandoffGate &HandoffGate::instance()
{
    static HandoffGate gate;
    return gate;
}

HandoffHold::HandoffHold()
{
    ++HandoffGate::instance().mHolds;
}

HandoffHold::~HandoffHold()
{
    HandoffGate &gate = HandoffGate::instance();
    if (--gate.mHolds == 0)
        emit gate.released();
}

void HoldHandoffsWhileAlive(QObject *owner)
{
    new HoldKeeper(owner);
}

} // namespace mv
