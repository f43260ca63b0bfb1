#include "app/termination.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace mv {

namespace {

int gWakeFds[2] = {-1, -1};

// Only async-signal-safe work here: the event loop does the rest.
void onTerminationSignal(int)
{
    const char byte = 1;
    (void)!::write(gWakeFds[0], &byte, 1);
}

} // namespace

void CloseWindowsOnTermination()
{
    if (gWakeFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gWakeFds) != 0)
        return;
    auto *notifier = new QSocketNotifier(gWakeFds[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char bytes[16];
        while (::read(gWakeFds[1], bytes, sizeof bytes) > 0) {
        }
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

} // namespace mv
