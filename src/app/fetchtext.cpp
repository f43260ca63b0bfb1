#include "app/fetchtext.h"

#include "app/fields.h"

#include <QCoreApplication>
#include <QTimer>

#include <curl/curl.h>

#include <memory>

namespace mv {

namespace {

// A reply this large is not the short text we asked for.
constexpr qsizetype MaxBodyBytes = 4 * 1024 * 1024;

size_t appendBody(char *data, size_t size, size_t count, void *user)
{
    auto *body = static_cast<QByteArray *>(user);
    const size_t bytes = size * count;
    if (body->size() + qsizetype(bytes) > MaxBodyBytes)
        return 0; // makes libcurl stop with a write error
    body->append(data, qsizetype(bytes));
    return bytes;
}

void initCurlOnce()
{
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

struct EasyDeleter {
    void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM *multi) const { curl_multi_cleanup(multi); }
};

} // namespace

FetchResult FetchText(const QString &url, int waitSeconds)
{
    initCurlOnce();
    FetchResult result;
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!easy || !multi) {
        result.error = QStringLiteral("cannot start the HTTP client");
        return result;
    }

    QByteArray body;
    const QByteArray urlBytes = url.toUtf8();
    curl_easy_setopt(easy.get(), CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &body);
    curl_multi_add_handle(multi.get(), easy.get());

    // The wait timer: each tick counts one second of waiting.
    int ticks = 0;
    QTimer tmrWait;
    tmrWait.setInterval(1000);
    QObject::connect(&tmrWait, &QTimer::timeout, [&ticks] { ++ticks; });
    tmrWait.start();

    bool done = false;
    CURLcode code = CURLE_OK;
    while (!done && ticks < waitSeconds) {
        QCoreApplication::processEvents();
        int running = 0;
        curl_multi_perform(multi.get(), &running);
        int queued = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi.get(), &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                done = true;
                code = msg->data.result;
            }
        }
        if (done)
            break;
        // Sleeps up to 10 ms, waking early when the socket has something for us.
        curl_multi_poll(multi.get(), nullptr, 0, 10, nullptr);
        QCoreApplication::processEvents();
    }
    tmrWait.stop();
    curl_multi_remove_handle(multi.get(), easy.get());

    if (!done) {
        result.error = QStringLiteral("no reply within %1 seconds").arg(waitSeconds);
        return result;
    }
    if (code != CURLE_OK) {
        result.error = QString::fromUtf8(curl_easy_strerror(code));
        return result;
    }
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &result.status);
    result.ok = true;
    result.text = BytesToText(body);
    return result;
}

} // namespace mv
