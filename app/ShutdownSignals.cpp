#include "app/ShutdownSignals.h"

#include "toolkit/Forms.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tallivo {

namespace {

int gPipe[2] = {-1, -1};
bool gRequested = false;

extern "C" void OnShutdownSignal(int) {
    const int saved = errno;
    const char byte = 1;
    (void)!::write(gPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void InstallShutdownSignals() {
    if (gPipe[0] >= 0 || ::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char bytes[16];
        while (::read(gPipe[0], bytes, sizeof bytes) > 0) {
        }
        gRequested = true;
        if (Application) Application->Terminate();
    });
    struct sigaction action {};
    action.sa_handler = OnShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool ShutdownRequested() {
    return gRequested;
}

} // namespace tallivo
