#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <cstdint>
#include <string>

#include "platform/byte_stream.h"

namespace qs::qt {

// An instrument's raw SCPI socket on QTcpSocket. Connecting has its own time-out, so an
// address where nothing answers (a wrong host, a firewall that drops) fails in seconds rather
// than after the system's minutes. Notifications are queued to the event loop, so none runs
// inside open, write or close. Small writes go out at once (no Nagle delay): every query waits
// for its answer.
class QtTcpStream : public IByteStream {
public:
    static constexpr int kConnectTimeoutMs = 3000;

    QtTcpStream(std::string host, std::uint16_t port, int connectTimeoutMs = kConnectTimeoutMs);
    ~QtTcpStream() override;

    void setHandlers(Handlers handlers) override { handlers_ = std::move(handlers); }
    void open() override;
    bool isOpen() const override;
    bool write(const Bytes& data) override;
    void close() override;

private:
    void OnConnected();
    void OnReadyRead();
    void OnError();
    void OnDisconnected();
    void OnConnectTimeout();
    void Failed(const std::string& reason);

    std::string host_;
    std::uint16_t port_;
    int connectTimeoutMs_;
    QObject context_;  // receives the queued notifications; gone with the stream
    QTcpSocket socket_;
    QTimer connectTimer_;
    bool active_ = false;  // from open until close or failure
    Handlers handlers_;
};

// Words for a socket error that a technician can act on.
std::string SocketErrorText(QAbstractSocket::SocketError error, const std::string& host,
                            std::uint16_t port, const QString& qtText);

}  // namespace qs::qt
