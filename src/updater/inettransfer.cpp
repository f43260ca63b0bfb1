#include "updater/inettransfer.h"

#include <QCoreApplication>
#include <QStringList>

#include <curl/curl.h>

namespace mv {

namespace {

void initCurlOnce()
{
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

int statusOf(const QString &statusLine)
{
    // "HTTP/1.1 200 OK": the code follows the first blank.
    const QString code = statusLine.section(QLatin1Char(' '), 1, 1);
    bool ok = false;
    const int status = code.toInt(&ok);
    return ok ? status : 0;
}

bool isFollowedRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

struct InetTransfer::Request {
    CURL *easy = nullptr;
    CURLM *multi = nullptr;
    curl_slist *headers = nullptr;
    QByteArray url;

    QStringList block;      // header lines of the response being received
    QStringList finalBlock; // those of the response whose body we read
    bool headersDone = false;

    QByteArray body;        // received, not yet read
    qsizetype limit = 1024; // body bytes taken in before libcurl is told to hold on
    bool held = false;
    bool done = false;
    CURLcode result = CURLE_OK;

    ~Request()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        curl_slist_free_all(headers);
    }

    static size_t onHeader(char *data, size_t size, size_t count, void *user)
    {
        auto *self = static_cast<Request *>(user);
        const size_t bytes = size * count;
        const QString line = QString::fromLatin1(data, qsizetype(bytes));
        if (line.startsWith(QLatin1String("HTTP/")))
            self->block.clear();
        if (line == QLatin1String("\r\n") || line == QLatin1String("\n")) {
            const int status = self->block.isEmpty() ? 0 : statusOf(self->block.first());
            bool hasLocation = false;
            for (const QString &header : std::as_const(self->block))
                hasLocation = hasLocation || header.startsWith(QLatin1String("location:"), Qt::CaseInsensitive);
            // An interim reply or a redirect that libcurl follows: the real one comes next.
            const bool interim = (status >= 100 && status < 200) || (isFollowedRedirect(status) && hasLocation);
            if (!interim) {
                self->finalBlock = self->block;
                self->headersDone = true;
            }
            self->block.clear();
        } else {
            self->block.append(line);
        }
        return bytes;
    }

    static size_t onBody(char *data, size_t size, size_t count, void *user)
    {
        auto *self = static_cast<Request *>(user);
        const size_t bytes = size * count;
        if (self->body.size() >= self->limit) {
            self->held = true;
            return CURL_WRITEFUNC_PAUSE; // libcurl keeps these bytes and offers them again
        }
        self->body.append(data, qsizetype(bytes));
        return bytes;
    }
};

InetTransfer::InetTransfer() = default;
InetTransfer::~InetTransfer() = default;

bool InetTransfer::Execute(const QString &url, const QList<QByteArray> &extraHeaders)
{
    Cancel();
    mError.clear();
    initCurlOnce();
    auto request = std::make_unique<Request>();
    request->easy = curl_easy_init();
    request->multi = curl_multi_init();
    if (!request->easy || !request->multi) {
        mError = QStringLiteral("cannot start the HTTP client");
        return false;
    }
    if (url.isEmpty()) {
        mError = QStringLiteral("no URL");
        return false;
    }
    request->url = url.toUtf8();
    for (const QByteArray &header : extraHeaders)
        request->headers = curl_slist_append(request->headers, header.constData());

    CURL *easy = request->easy;
    curl_easy_setopt(easy, CURLOPT_URL, request->url.constData());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    // The address comes from the network: nothing but web requests, certificates checked.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    // The status code and the protocol version are read at fixed places of the status
    // line, which only HTTP/1.x writes that way.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // The request time-out of the transfer: a server that says nothing for a minute has gone.
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 60L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 60L);
    if (request->headers)
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request->headers);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Request::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, request.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Request::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, request.get());
    if (curl_multi_add_handle(request->multi, easy) != CURLM_OK) {
        mError = QStringLiteral("cannot start the request");
        return false;
    }
    mRequest = std::move(request);
    pump();
    return true;
}

void InetTransfer::pump()
{
    if (!mRequest || mRequest->done)
        return;
    int running = 0;
    curl_multi_perform(mRequest->multi, &running);
    int queued = 0;
    while (CURLMsg *msg = curl_multi_info_read(mRequest->multi, &queued)) {
        if (msg->msg == CURLMSG_DONE) {
            mRequest->done = true;
            mRequest->result = msg->data.result;
        }
    }
}

bool InetTransfer::StillExecuting()
{
    if (!mRequest)
        return false;
    pump();
    return !mRequest->done && !mRequest->headersDone;
}

void InetTransfer::Wait(int ms)
{
    if (mRequest && !mRequest->done)
        curl_multi_poll(mRequest->multi, nullptr, 0, ms, nullptr);
    QCoreApplication::processEvents();
}

QString InetTransfer::GetHeader() const
{
    if (!mRequest || !mRequest->headersDone)
        return QString();
    return mRequest->finalBlock.join(QString());
}

std::optional<QString> InetTransfer::GetHeader(const QString &name) const
{
    if (!mRequest || !mRequest->headersDone)
        return std::nullopt;
    const QStringList &lines = mRequest->finalBlock;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(QLatin1Char(':'));
        if (colon > 0 && lines.at(i).left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return lines.at(i).mid(colon + 1).trimmed();
    }
    return std::nullopt;
}

InetTransfer::Chunk InetTransfer::GetChunk(int size, QByteArray &chunk, const std::function<bool()> &interrupted)
{
    chunk.clear();
    if (!mRequest) {
        if (mError.isEmpty())
            mError = QStringLiteral("no request");
        return Chunk::Failed;
    }
    Request &r = *mRequest;
    r.limit = qMax(size, 1);
    for (;;) {
        if (r.body.size() >= size) {
            chunk = r.body.left(size);
            r.body.remove(0, size);
            return Chunk::Data;
        }
        if (r.done) {
            // What arrived before the end, even a failed one, is still the body.
            if (!r.body.isEmpty()) {
                chunk = std::exchange(r.body, QByteArray());
                return Chunk::Data;
            }
            if (r.result != CURLE_OK) {
                mError = QString::fromUtf8(curl_easy_strerror(r.result));
                return Chunk::Failed;
            }
            return Chunk::End;
        }
        if (interrupted && interrupted())
            return Chunk::Interrupted;
        if (r.held) {
            r.held = false;
            curl_easy_pause(r.easy, CURLPAUSE_CONT);
        }
        const qsizetype before = r.body.size();
        pump();
        if (r.body.size() == before && !r.done && !r.held)
            Wait(10);
    }
}

void InetTransfer::Cancel()
{
    mRequest.reset();
}

} // namespace mv
