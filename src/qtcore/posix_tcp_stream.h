#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/byte_stream.h"

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
class PosixTcpStream : public IByteStream {
public:
    static constexpr int kConnectTimeoutMs = 3000;

    PosixTcpStream(std::string host, std::uint16_t port, int connectTimeoutMs = kConnectTimeoutMs);
    ~PosixTcpStream() override;

    void setHandlers(Handlers handlers) override { handlers_ = std::move(handlers); }
    void open() override;
    bool isOpen() const override { return connected_; }
    bool write(const Bytes& data) override;
    void close() override;

private:
    void Start(unsigned generation);
    void OnLookedUp();
    void Connect(const ::sockaddr* address, unsigned length);
    void OnConnectable();
    void OnReadable();
    void Flush();
    void OnConnectTimeout();
    void Failed(const std::string& reason);
    // Runs `call` from the event loop, unless the stream was closed or reopened meanwhile.
    template <typename Call>
    void Later(Call call);

    std::string host_;
    std::uint16_t port_;
    int connectTimeoutMs_;
    int fd_ = -1;
    bool connected_ = false;
    unsigned generation_ = 0;  // one per open; stale posted calls see a newer one and drop
    QObject context_;
    QTimer connectTimer_;
    std::shared_ptr<HostLookup> lookup_;
    std::unique_ptr<QSocketNotifier> lookedUp_;
    std::unique_ptr<QSocketNotifier> readable_;
    std::unique_ptr<QSocketNotifier> writable_;
    Bytes pending_;
    Handlers handlers_;
};

// Words for a socket's failure (an errno) that a technician can act on.
std::string SocketFailureText(int error, const std::string& host, std::uint16_t port);

}  // namespace qs::qt
