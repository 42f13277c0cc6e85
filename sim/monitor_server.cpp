#include "monitor_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qtsim {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;

bool setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

MonitorServer::~MonitorServer() {
    for (Client& client : clients_)
        ::close(client.fd);
    if (listener_ >= 0) ::close(listener_);
}

void MonitorServer::note(const std::string& text) {
    if (log_) log_(text);
}

bool MonitorServer::listen(int port, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
        return false;
    };
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return fail("cannot make the monitor's socket");
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        return fail("cannot listen on 127.0.0.1 port " + std::to_string(port));
    }
    if (::listen(listener_, 8) != 0 || !setNonBlocking(listener_)) {
        return fail("cannot listen on 127.0.0.1 port " + std::to_string(port));
    }
    socklen_t length = sizeof(address);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    return true;
}

std::string MonitorServer::resource() const {
    return "TCPIP::127.0.0.1::" + std::to_string(port_) + "::SOCKET";
}

void MonitorServer::addPollFds(std::vector<pollfd>& fds) {
    if (listener_ >= 0) fds.push_back({listener_, POLLIN, 0});
    for (const Client& client : clients_) {
        const short events = client.output.empty() ? POLLIN : POLLIN | POLLOUT;
        fds.push_back({client.fd, events, 0});
    }
}

void MonitorServer::handlePoll(const pollfd* fds, std::size_t count) {
    if (listener_ < 0) return;
    // The entries follow the order of addPollFds: the listener, then the clients as they were.
    for (std::size_t i = 1; i < count && i - 1 < clients_.size(); ++i) {
        Client& client = clients_[i - 1];
        const short revents = fds[i].revents;
        if (client.fd != fds[i].fd || revents == 0) continue;
        if ((revents & (POLLIN | POLLHUP | POLLERR)) && !readFrom(client)) continue;
        if ((revents & POLLOUT) && !writeTo(client)) continue;
    }
    clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                  [](const Client& c) { return c.fd < 0; }),
                   clients_.end());
    if (count > 0 && (fds[0].revents & POLLIN)) accept();
}

void MonitorServer::accept() {
    while (true) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        if (clients_.size() >= kMaxClients) {
            note("monitor: client refused, " + std::to_string(kMaxClients) + " already connected");
            ::close(fd);
            continue;
        }
        const int yes = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));
        clients_.push_back(Client{fd, {}, {}, false});
        note("monitor: client connected");
    }
}

bool MonitorServer::readFrom(Client& client) {
    char buffer[kReadChunkBytes];
    const ssize_t n = ::recv(client.fd, buffer, sizeof(buffer), 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        close(client);
        return false;
    }
    if (n < 0) return true;
    client.input.append(buffer, static_cast<std::size_t>(n));
    std::size_t newline = 0;
    while ((newline = client.input.find('\n')) != std::string::npos) {
        std::string line = client.input.substr(0, newline);
        client.input.erase(0, newline + 1);
        if (client.discarding) {
            client.discarding = false;
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (log_) note("monitor <- " + line);
        const std::string answer = monitor_.execute(line);
        if (!answer.empty() && log_) note("monitor -> " + answer.substr(0, answer.size() - 1));
        client.output += answer;
    }
    if (client.input.size() > kMaxLineBytes) {
        if (!client.discarding) monitor_.queueError(-223, "Too much data");
        client.discarding = true;
        client.input.clear();
    }
    if (client.output.size() > kMaxPendingBytes) {
        note("monitor: client disconnected, it takes no answers");
        close(client);
        return false;
    }
    return true;
}

bool MonitorServer::writeTo(Client& client) {
    const ssize_t n = ::send(client.fd, client.output.data(), client.output.size(), MSG_NOSIGNAL);
    if (n > 0) {
        client.output.erase(0, static_cast<std::size_t>(n));
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    close(client);
    return false;
}

void MonitorServer::close(Client& client) {
    ::close(client.fd);
    client.fd = -1;
    note("monitor: client disconnected");
}

}  // namespace qtsim
