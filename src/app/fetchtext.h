#pragma once

#include <QString>

namespace mv {

struct FetchResult {
    bool ok = false;   // the request completed (any HTTP status)
    long status = 0;   // HTTP status of the reply
    QString text;      // the body, decoded with BytesToText
    QString error;     // why it did not complete
};

inline constexpr int FetchWaitSeconds = 5;

// One GET of url. The user interface keeps running while it waits (pending events are
// processed every ~10 ms); after waitSeconds ticks of a one-second wait timer it gives up.
[[nodiscard]] FetchResult FetchText(const QString &url, int waitSeconds = FetchWaitSeconds);

} // namespace mv
