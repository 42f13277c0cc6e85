#include "stall_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace qs::records_test {
namespace {

int ConnectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (fd >= 0 &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Everything `from` has now goes to `to`; false when either side has ended.
bool Pass(int from, int to) {
    char buffer[16384];
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n <= 0) return false;
    for (ssize_t done = 0; done < n;) {
        const ssize_t w = ::send(to, buffer + done, static_cast<std::size_t>(n - done), MSG_NOSIGNAL);
        if (w <= 0) return false;
        done += w;
    }
    return true;
}

}  // namespace

StallProxy::StallProxy(std::string serverSocketPath) : serverPath_(std::move(serverSocketPath)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(listener_, 16) == 0 &&
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port_ = ntohs(address.sin_port);
    }
    if (::pipe2(wake_, O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
    thread_ = std::thread([this] { Run(); });
}

StallProxy::~StallProxy() {
    stop_ = true;
    setMode(mode_);
    thread_.join();
    for (Link& link : links_)
        Close(link);
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void StallProxy::setMode(Mode mode) {
    mode_ = mode;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
}

void StallProxy::DropAll() {
    drop_ = true;
    setMode(mode_);
    while (drop_)
        std::this_thread::yield();
}

void StallProxy::Close(Link& link) {
    if (link.client >= 0) ::close(link.client);
    if (link.server >= 0) ::close(link.server);
    link = {};
}

void StallProxy::Run() {
    while (!stop_) {
        if (drop_) {
            for (Link& link : links_)
                Close(link);
            links_.clear();
            drop_ = false;
        }
        const bool forwarding = mode_ == Mode::Forward;
        std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        for (const Link& link : links_) {
            const short events = forwarding && link.server >= 0 ? POLLIN : 0;
            fds.push_back({link.client, events, 0});
            fds.push_back({link.server, events, 0});
        }
        if (::poll(fds.data(), fds.size(), 1000) <= 0) continue;
        if (fds[0].revents != 0) {
            char drain[64];
            [[maybe_unused]] const ssize_t n = ::read(wake_[0], drain, sizeof drain);
            continue;
        }
        const std::size_t polled = links_.size();
        if (fds[1].revents != 0) {
            Link link;
            link.client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (mode_ != Mode::Silent) link.server = ConnectTo(serverPath_);
            if (link.client >= 0) links_.push_back(link);
        }
        for (std::size_t i = 0; i < polled && forwarding; ++i) {
            const pollfd& client = fds[2 + 2 * i];
            const pollfd& server = fds[3 + 2 * i];
            const bool ok = (client.revents == 0 || Pass(links_[i].client, links_[i].server)) &&
                            (server.revents == 0 || Pass(links_[i].server, links_[i].client));
            if (!ok) Close(links_[i]);
        }
        std::erase_if(links_, [](const Link& link) { return link.client < 0; });
    }
}

}  // namespace qs::records_test
