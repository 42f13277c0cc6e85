#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "qtcore/posix_descriptor_stream.h"

struct sockaddr;

namespace qs::qt {

struct HostLookup;

// An instrument's raw SCPI socket on a descriptor of its own: non-blocking, small writes sent
// at once (no Nagle delay: every query waits for its answer), watched by the event loop. A
// numeric address connects at once; a host name is looked up on a helper thread, so the
// program's thread never waits on the network. Connecting has its own time-out, so an address
// where nothing answers (a wrong host, a firewall that drops) fails in seconds rather than
// after the system's minutes. Notifications run from the event loop, never inside open, write
// or close.
class PosixTcpStream : public PosixDescriptorStream {
public:
    static constexpr int kConnectTimeoutMs = 3000;

    PosixTcpStream(std::string host, std::uint16_t port, int connectTimeoutMs = kConnectTimeoutMs);
    ~PosixTcpStream() override;

    void open() override;
    void close() override;

private:
    void Start(unsigned generation);
    void OnLookedUp();
    void Connect(const ::sockaddr* address, unsigned length);
    void OnConnectable();
    void OnConnectTimeout();
    std::string ReadFailure(ssize_t n, int error) const override;
    std::string WriteFailure(ssize_t n, int error) const override;
    ssize_t Send(int fd, const std::uint8_t* data, std::size_t size) override;

    std::string host_;
    std::uint16_t port_;
    int connectTimeoutMs_;
    int connecting_ = -1;  // the socket until it is connected
    QTimer connectTimer_;
    std::shared_ptr<HostLookup> lookup_;
    std::unique_ptr<QSocketNotifier> lookedUp_;
    std::unique_ptr<QSocketNotifier> connectable_;
};

// Words for a socket's failure (an errno) that a technician can act on.
std::string SocketFailureText(int error, const std::string& host, std::uint16_t port);

}  // namespace qs::qt
