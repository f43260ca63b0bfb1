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

// The socket path for receiver number n.
QString HandoffServerName(qint64 number);

// The receiver number a Config.ini value stands for, when it reads as a number.
std::optional<qint32> HandoffNumber(const QString &text);

class HandoffReceiver : public QObject
{
    Q_OBJECT
public:
    // handler runs for each text received; the sender is answered once it returns.
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

enum class HandoffResult { NotNumeric, NoReceiver, Delivered };

// Sends text to the receiver named by handleText and waits until its handler has run.
HandoffResult SendHandoff(const QString &handleText, const QString &text);

} // namespace mv
