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

constexpr std::size_t kReadChunkBytes = 4096;

// Lets a notifier go without deleting it inside its own signal.
void Drop(std::unique_ptr<QSocketNotifier>& notifier) {
    if (!notifier) return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
}

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

template <typename Call>
void PosixTcpStream::Later(Call call) {
    const unsigned generation = generation_;
    QMetaObject::invokeMethod(
        &context_,
        [this, generation, call = std::move(call)]() mutable {
            if (generation == generation_) call();
        },
        Qt::QueuedConnection);
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
    Drop(lookedUp_);
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
    fd_ = fd;
    writable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
    QObject::connect(writable_.get(), &QSocketNotifier::activated, &context_,
                     [this] { connected_ ? Flush() : OnConnectable(); });
    if (::connect(fd_, address, length) == 0) {
        OnConnectable();
        return;
    }
    if (errno != EINPROGRESS && errno != EINTR) Failed(SocketFailureText(errno, host_, port_));
}

void PosixTcpStream::OnConnectable() {
    if (fd_ < 0 || connected_) return;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error == EINPROGRESS) return;
    if (error != 0) {
        Failed(SocketFailureText(error, host_, port_));
        return;
    }
    connectTimer_.stop();
    connected_ = true;
    writable_->setEnabled(!pending_.empty());
    readable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(readable_.get(), &QSocketNotifier::activated, &context_,
                     [this] { OnReadable(); });
    if (handlers_.opened) handlers_.opened();
}

bool PosixTcpStream::write(const Bytes& data) {
    if (!connected_) return false;
    pending_.insert(pending_.end(), data.begin(), data.end());
    // A failure found here is told from the event loop, as every notification is.
    if (!writable_->isEnabled()) Flush();
    return true;
}

void PosixTcpStream::Flush() {
    while (connected_ && !pending_.empty()) {
        const ssize_t n = ::send(fd_, pending_.data(), pending_.size(), MSG_NOSIGNAL);
        if (n > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            writable_->setEnabled(true);
            return;
        }
        const std::string reason = SocketFailureText(n < 0 ? errno : EPIPE, host_, port_);
        writable_->setEnabled(false);
        Later([this, reason] { Failed(reason); });
        return;
    }
    if (writable_) writable_->setEnabled(false);
}

void PosixTcpStream::OnReadable() {
    Bytes received;
    std::string failure;
    char buffer[kReadChunkBytes];
    while (connected_) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            received.insert(received.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        failure = n == 0 ? "the instrument closed the connection"
                         : SocketFailureText(errno, host_, port_);
        break;
    }
    const unsigned generation = generation_;
    if (!received.empty() && handlers_.received) handlers_.received(received);
    // The handler may have closed or reopened the stream.
    if (!failure.empty() && generation == generation_) Failed(failure);
}

void PosixTcpStream::OnConnectTimeout() {
    if (connected_ || generation_ == 0) return;
    Failed("no connection within " + std::to_string(connectTimeoutMs_ / 1000) +
           " s (is the instrument on and on this network, and the address right?)");
}

void PosixTcpStream::close() {
    ++generation_;
    connectTimer_.stop();
    connected_ = false;
    Drop(lookedUp_);
    lookup_.reset();
    Drop(readable_);
    Drop(writable_);
    pending_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void PosixTcpStream::Failed(const std::string& reason) {
    close();
    if (handlers_.failed) handlers_.failed(reason);
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
