#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>

namespace tarvel {

namespace {

int gSignalPipe[2] = {-1, -1};
volatile sig_atomic_t gFirstSignal = 0;

// How long a clean stop may take before the process leaves without it.
constexpr unsigned kGraceSeconds = 5;

// A worker stuck in a read (a hung driver, a disk that stopped answering) can never be
// joined, and the clean stop would wait for it for ever. So the clean stop gets a few
// seconds, and a second signal ends the wait at once: the process then leaves with _exit,
// which joins no thread and runs no destructor (what the stuck worker or the queues behind
// it still held is lost; every line already printed was flushed with it).
[[noreturn]] void leaveNow() {
    static const char kNote[] = "tarvel: still busy after the stop signal; leaving without it\n";
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
    ::_exit(128 + gFirstSignal);
}

void onSignal(int signo) {
    if (gFirstSignal != 0) leaveNow();
    const int saved = errno;
    gFirstSignal = signo;
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
    ::alarm(kGraceSeconds);
    errno = saved;
}

void onGraceOver(int) {
    leaveNow();
}

}  // namespace

bool quitOnTerminationSignals() {
    if (gSignalPipe[0] >= 0) return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0)
        return false;

    auto* notifier =
        new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char buffer[16];
        while (::read(gSignalPipe[0], buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    struct sigaction grace {};
    grace.sa_handler = onGraceOver;
    sigemptyset(&grace.sa_mask);
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGALRM, &grace, nullptr) == 0;
}

}  // namespace tarvel
