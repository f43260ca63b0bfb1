#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace mv {

// One HTTP GET at a time over libcurl's multi interface, driven by its caller from the user
// interface's loop: the download controller's transfer object. The body is held back by
// libcurl while nobody reads it, so no more than about one chunk waits in memory.
class InetTransfer
{
public:
    InetTransfer();
    ~InetTransfer();
    InetTransfer(const InetTransfer &) = delete;
    InetTransfer &operator=(const InetTransfer &) = delete;

    // Drops any earlier request and starts a GET of url with the extra header lines
    // ("Name: value", no line end). False when it could not even be started.
    bool Execute(const QString &url, const QList<QByteArray> &extraHeaders = {});

    // Drives the transfer once; true while the final response's headers have not all
    // arrived and the request has not ended.
    bool StillExecuting();
    // Waits up to ms for the network, then lets pending events run.
    void Wait(int ms);

    // The final response's header lines as received, status line first; empty when no
    // response came.
    QString GetHeader() const;
    // The value of the first header of that name (any case), blanks trimmed.
    std::optional<QString> GetHeader(const QString &name) const;

    enum class Chunk {
        Data,        // chunk holds the next part of the body
        End,         // the body has ended completely
        Failed,      // the request failed or was cut short; Error() says why
        Interrupted, // interrupted() became true before a whole chunk was there
    };
    // The next size bytes of the body, fewer only at its end. Waits for them, letting
    // pending events run, and asks interrupted() between waits.
    Chunk GetChunk(int size, QByteArray &chunk, const std::function<bool()> &interrupted);

    // Ends the request; what it has not delivered is dropped.
    void Cancel();

    QString Error() const { return mError; }

private:
    struct Request;
    void pump();

    std::unique_ptr<Request> mRequest;
    QString mError;
};

} // namespace mv
