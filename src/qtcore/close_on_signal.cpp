#include "qtcore/close_on_signal.h"

#include <QSocketNotifier>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#endif

namespace qs::qt {

#ifndef _WIN32
namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int signal) {
    const auto byte = static_cast<char>(signal);
    // Nothing else is safe in a signal handler; a full pipe already carries the request.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void IgnoreBrokenPipes() {
    ::signal(SIGPIPE, SIG_IGN);
}

CloseOnSignal::CloseOnSignal(std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        const ssize_t n = ::read(signalPipe[0], buffer, sizeof buffer);
        // The first signal of a burst names it; the rest ask for the same end.
        if (n > 0 && onSignal_) onSignal_(static_cast<unsigned char>(buffer[0]));
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

CloseOnSignal::~CloseOnSignal() {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
}
#else
void IgnoreBrokenPipes() {}

CloseOnSignal::CloseOnSignal(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {}
CloseOnSignal::~CloseOnSignal() = default;
#endif

}  // namespace qs::qt
