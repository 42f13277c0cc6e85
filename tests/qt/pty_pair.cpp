#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace qs::qt::testing {

PtyPair::PtyPair() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    // Raw mode on the slave so that bytes pass unchanged.
    termios tio{};
    if (::tcgetattr(slave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slavePath_ = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
    HangUp();
}

bool PtyPair::Write(const QByteArray& data) {
    if (master_ < 0) return false;
    return ::write(master_, data.constData(), static_cast<size_t>(data.size())) == data.size();
}

bool PtyPair::WriteAll(const QByteArray& data, int timeoutMs) {
    if (master_ < 0) return false;
    qsizetype at = 0;
    int waitedMs = 0;
    while (at < data.size()) {
        const ssize_t n =
            ::write(master_, data.constData() + at, static_cast<size_t>(data.size() - at));
        if (n > 0) {
            at += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        // The line is full: the port has not taken what came before.
        if (waitedMs >= timeoutMs) return false;
        pollfd out{master_, POLLOUT, 0};
        ::poll(&out, 1, 10);
        waitedMs += 10;
    }
    return true;
}

QByteArray PtyPair::ReadAvailable() {
    QByteArray all;
    if (master_ < 0) return all;
    char buffer[512];
    while (true) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        all.append(buffer, n);
    }
    return all;
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

bool PtyPair::VirtualHangUp() {
    return slave_ >= 0 && ::ioctl(slave_, TIOCVHANGUP) == 0;
}

void PtyPair::StopOutput(bool stop) {
    if (slave_ >= 0) ::tcflow(slave_, stop ? TCOOFF : TCOON);
}

void PtyPair::HangUp() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
}

}  // namespace qs::qt::testing
