#include "pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace qtsim {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

PtyServer::~PtyServer() {
    if (!linkPath_.empty()) {
        char target[4096];
        const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof(target) - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == devicePath_) {
            ::unlink(linkPath_.c_str());
        }
    }
    if (master_ >= 0) ::close(master_);
}

std::int64_t PtyServer::nowUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t PtyServer::nextReleaseUs() const {
    if (!shaper_.holding()) return radio_.nextOutputUs();
    const std::int64_t held = shaper_.nextDueMs() * 1000;
    if (!radio_.outputPending()) return held;
    return std::min(radio_.nextOutputUs(), held);
}

void PtyServer::note(const std::string& text) {
    if (log_) log_(text);
}

bool PtyServer::open(std::string* error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        if (error) *error = systemError("cannot create a pseudo-terminal");
        return false;
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        if (error) *error = systemError("cannot name the pseudo-terminal");
        return false;
    }
    devicePath_ = name;
    if (!setRaw()) {
        if (error) *error = systemError("cannot put the pseudo-terminal in raw mode");
        return false;
    }
    return true;
}

bool PtyServer::setRaw() {
    termios tio{};
    if (::tcgetattr(master_, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    return ::tcsetattr(master_, TCSANOW, &tio) == 0;
}

bool PtyServer::makeLink(const std::string& path, std::string* error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            if (error) *error = path + " exists and is not a symbolic link; not replacing it";
            return false;
        }
        ::unlink(path.c_str());
    }
    if (::symlink(devicePath_.c_str(), path.c_str()) != 0) {
        if (error) *error = systemError("cannot create the link " + path);
        return false;
    }
    linkPath_ = path;
    return true;
}

void PtyServer::deviceClosed() {
    if (deviceOpen_) note("device closed");
    deviceOpen_ = false;
    pending_.clear();
    shaper_.clear();
    radio_.lineClosed();
}

bool PtyServer::readFromProgram() {
    std::uint8_t buffer[kReadChunkBytes];
    const ssize_t n = ::read(master_, buffer, sizeof(buffer));
    if (n > 0) {
        radio_.fromProgramAtUs(Bytes(buffer, buffer + n), nowUs());
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    // EIO (or end of file): the last holder of the device has closed it.
    deviceClosed();
    return true;
}

bool PtyServer::writeToProgram() {
    if (pending_.empty()) return true;
    const ssize_t n = ::write(master_, pending_.data(), pending_.size());
    if (n > 0) {
        pending_.erase(0, static_cast<std::size_t>(n));
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    if (n < 0 && errno == EIO) {
        deviceClosed();
        return true;
    }
    note(systemError("write to the pseudo-terminal failed"));
    return false;
}

int PtyServer::pollWith(pollfd* own, const timespec* timeout, const sigset_t* mask) {
    if (companion_ == nullptr) return ::ppoll(own, own ? 1 : 0, timeout, mask);
    std::vector<pollfd> fds;
    if (own) fds.push_back(*own);
    const std::size_t first = fds.size();
    companion_->addPollFds(fds);
    const int ready = ::ppoll(fds.data(), fds.size(), timeout, mask);
    if (ready < 0) return ready;
    if (own) *own = fds[0];
    companion_->handlePoll(fds.data() + first, fds.size() - first);
    return ready;
}

bool PtyServer::run(const volatile std::sig_atomic_t& stop) {
    sigset_t sleepMask;
    ::sigprocmask(SIG_BLOCK, nullptr, &sleepMask);
    ::sigdelset(&sleepMask, SIGINT);
    ::sigdelset(&sleepMask, SIGTERM);

    while (!stop) {
        pollfd fd{master_, POLLIN, 0};
        if (!deviceOpen_) {
            // Is anybody holding the device now? A hang-up report means no.
            if (::poll(&fd, 1, 0) < 0 && errno != EINTR) return false;
            if ((fd.revents & POLLHUP) == 0) {
                deviceOpen_ = true;
                setRaw();
                shaper_.opened(nowUs() / 1000);
                note("device opened");
                continue;
            }
            const timespec idle{0, kIdleCheckMs * 1000000L};
            pollWith(nullptr, &idle, &sleepMask);
            continue;
        }

        const std::int64_t now = nowUs();
        shaper_.feed(radio_.toProgramAtUs(now), now / 1000);
        const Bytes released = shaper_.take(now / 1000);
        pending_.append(released.begin(), released.end());

        timespec wait{};
        const timespec* timeout = nullptr;
        if (!pending_.empty()) {
            fd.events |= POLLOUT;
        } else if (radio_.outputPending() || shaper_.holding()) {
            const std::int64_t us = std::max<std::int64_t>(0, nextReleaseUs() - nowUs());
            wait.tv_sec = static_cast<time_t>(us / 1000000);
            wait.tv_nsec = static_cast<long>(us % 1000000) * 1000L;
            timeout = &wait;
        }
        if (pollWith(&fd, timeout, &sleepMask) < 0) {
            if (errno == EINTR) continue;
            note(systemError("poll failed"));
            return false;
        }
        if (fd.revents & POLLIN) {
            readFromProgram();
            continue;
        }
        if (fd.revents & (POLLHUP | POLLERR)) {
            deviceClosed();
            continue;
        }
        if ((fd.revents & POLLOUT) && !writeToProgram()) return false;
    }
    return true;
}

}  // namespace qtsim
