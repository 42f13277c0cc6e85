#include "qtcore/posix_tcp_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMetaObject>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

namespace qs::qt {

// A host name being looked up on a helper thread. The helper and the stream share it; the
// helper tells the stream through the event descriptor, which outlives them both, so a stream
// closed meanwhile simply never hears of it.
struct HostLookup {
    std::mutex mutex;
    bool done = false;
    int error = 0;  // getaddrinfo's
    sockaddr_storage address{};
    socklen_t length = 0;
    int ready = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    ~HostLookup() {
        if (ready >= 0) ::close(ready);
    }
};

namespace {

void LookUp(const std::shared_ptr<HostLookup>& lookup, const std::string& host,
            std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int error = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    {
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->error = error;
        if (error == 0 && found != nullptr && found->ai_addrlen <= sizeof lookup->address) {
            std::memcpy(&lookup->address, found->ai_addr, found->ai_addrlen);
            lookup->length = found->ai_addrlen;
        } else if (error == 0) {
            lookup->error = EAI_NONAME;
        }
        lookup->done = true;
    }
    if (found != nullptr) ::freeaddrinfo(found);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t told = ::write(lookup->ready, &one, sizeof one);
}

}  // namespace

PosixTcpStream::PosixTcpStream(std::string host, std::uint16_t port, int connectTimeoutMs)
    : host_(std::move(host)), port_(port), connectTimeoutMs_(connectTimeoutMs) {
    connectTimer_.setSingleShot(true);
    QObject::connect(&connectTimer_, &QTimer::timeout, &context_, [this] { OnConnectTimeout(); });
}

PosixTcpStream::~PosixTcpStream() {
    close();
}

void PosixTcpStream::open() {
    close();
    const unsigned generation = ++generation_;
    connectTimer_.start(connectTimeoutMs_);
    Later([this, generation] { Start(generation); });
}

void PosixTcpStream::Start(unsigned generation) {
    sockaddr_in v4{};
    if (::inet_pton(AF_INET, host_.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port_);
        Connect(reinterpret_cast<const sockaddr*>(&v4), sizeof v4);
        return;
    }
    sockaddr_in6 v6{};
    if (::inet_pton(AF_INET6, host_.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port_);
        Connect(reinterpret_cast<const sockaddr*>(&v6), sizeof v6);
        return;
    }
    auto lookup = std::make_shared<HostLookup>();
    if (lookup->ready < 0) {
        Failed(std::string("cannot look up ") + host_ + ": " + std::strerror(errno));
        return;
    }
    lookup_ = lookup;
    lookedUp_ = std::make_unique<QSocketNotifier>(lookup->ready, QSocketNotifier::Read);
    QObject::connect(lookedUp_.get(), &QSocketNotifier::activated, &context_, [this, generation] {
        if (generation == generation_) OnLookedUp();
    });
    std::thread(LookUp, lookup, host_, port_).detach();
}

void PosixTcpStream::OnLookedUp() {
    DropNotifier(lookedUp_);
    const std::shared_ptr<HostLookup> lookup = std::move(lookup_);
    if (!lookup) return;
    std::lock_guard<std::mutex> lock(lookup->mutex);
    if (!lookup->done) return;
    if (lookup->error != 0) {
        Failed(lookup->error == EAI_NONAME || lookup->error == EAI_NODATA
                   ? "the host " + host_ + " is not known"
                   : "cannot look up " + host_ + ": " + ::gai_strerror(lookup->error));
        return;
    }
    Connect(reinterpret_cast<const sockaddr*>(&lookup->address), lookup->length);
}

void PosixTcpStream::Connect(const sockaddr* address, unsigned length) {
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        Failed(SocketFailureText(errno, host_, port_));
        return;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connecting_ = fd;
    connectable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    QObject::connect(connectable_.get(), &QSocketNotifier::activated, &context_,
                     [this] { OnConnectable(); });
    if (::connect(fd, address, length) == 0) {
        OnConnectable();
        return;
    }
    if (errno != EINPROGRESS && errno != EINTR) Failed(SocketFailureText(errno, host_, port_));
}

void PosixTcpStream::OnConnectable() {
    if (connecting_ < 0) return;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(connecting_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error == EINPROGRESS) return;
    if (error != 0) {
        Failed(SocketFailureText(error, host_, port_));
        return;
    }
    connectTimer_.stop();
    DropNotifier(connectable_);
    const int fd = connecting_;
    connecting_ = -1;
    Adopt(fd);
}

ssize_t PosixTcpStream::Send(int fd, const std::uint8_t* data, std::size_t size) {
    // A peer that is gone is a failure to tell, not a signal that ends the program.
    return ::send(fd, data, size, MSG_NOSIGNAL);
}

std::string PosixTcpStream::ReadFailure(ssize_t n, int error) const {
    return n == 0 ? "the instrument closed the connection" : SocketFailureText(error, host_, port_);
}

std::string PosixTcpStream::WriteFailure(ssize_t n, int error) const {
    return SocketFailureText(n < 0 ? error : EPIPE, host_, port_);
}

void PosixTcpStream::OnConnectTimeout() {
    if (isOpen() || generation_ == 0) return;
    Failed("no connection within " + std::to_string(connectTimeoutMs_ / 1000) +
           " s (is the instrument on and on this network, and the address right?)");
}

void PosixTcpStream::close() {
    connectTimer_.stop();
    DropNotifier(lookedUp_);
    lookup_.reset();
    DropNotifier(connectable_);
    if (connecting_ >= 0) ::close(connecting_);
    connecting_ = -1;
    PosixDescriptorStream::close();
}

std::string SocketFailureText(int error, const std::string& host, std::uint16_t port) {
    switch (error) {
        case ECONNREFUSED:
            return "connection refused (nothing listens on port " + std::to_string(port) + " of " +
                   host + "; is it the instrument's SCPI socket port?)";
        case ECONNRESET:
        case EPIPE:
            return "the instrument closed the connection";
        case ETIMEDOUT:
            return "the network timed out";
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ENETDOWN:
            return "network error (" + std::string(std::strerror(error)) + ")";
        default:
            return std::strerror(error);
    }
}

}  // namespace qs::qt
