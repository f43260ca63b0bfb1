#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace mv {

// A window that can take an image path from a later start listens on a local socket
// named "Mirovale-<uid>-<N>"; N goes to Config.ini (TempHwnd1/TempHwnd2) so that the
// later start can find it.
//
// One exchange: the sender writes the text (4-byte big-endian length, then UTF-8), the
// receiver answers at once that it took it, the sender confirms, and only then does the
// receiver act on it. A sender that gave up waiting never confirms, so a receiver that
// answered too late never shows a path that the sender shows itself.

// The socket path for receiver number n.
QString HandoffServerName(qint64 number);

// The receiver number a Config.ini value stands for, when it reads as a number.
std::optional<qint32> HandoffNumber(const QString &text);

class HandoffReceiver : public QObject
{
    Q_OBJECT
public:
    // handler runs, from the event loop, for each text the sender confirmed; the sender
    // has ended its wait by then, however long the handler takes.
    using Handler = std::function<void(const QString &)>;

    explicit HandoffReceiver(Handler handler, QObject *parent = nullptr);

    // Picks an unused number and listens on it.
    [[nodiscard]] bool listen();
    qint32 number() const { return mNumber; }

private:
    void acceptConnections();

    QLocalServer mServer;
    Handler mHandler;
    qint32 mNumber = 0;
};

enum class HandoffResult {
    NotNumeric, // the Config.ini value names no receiver
    NoReceiver, // nobody listens under that number
    NoAnswer,   // someone listens but did not take the text in time
    Delivered,  // the receiver took the text
};

// Sends text to the receiver named by handleText. Returns once the receiver took it, or
// after a few seconds without its answer.
HandoffResult SendHandoff(const QString &handleText, const QString &text);

// While a window's command runs (a question is open, events are let run, a slide show is
// up) hand-offs wait in the receiving window's mailbox, so that the command goes on with
// the file and list entry it began with. Holds nest and count for the whole process.
class [[nodiscard]] HandoffHold
{
public:
    HandoffHold();
    ~HandoffHold();
    HandoffHold(const HandoffHold &) = delete;
    HandoffHold &operator=(const HandoffHold &) = delete;
};

// Holds hand-offs for as long as owner lives.
void HoldHandoffsWhileAlive(QObject *owner);

class HandoffGate : public QObject
{
    Q_OBJECT
public:
    static HandoffGate &instance();
    bool held() const { return mHolds > 0; }

signals:
    // The last hold ended: waiting hand-offs may be applied now.
    void released();

private:
    friend class HandoffHold;
    int mHolds = 0;
};

inline bool HandoffsHeld()
{
    return HandoffGate::instance().held();
}

} // namespace mv
