#include "qtcore/qt_tcp_stream.h"

namespace qs::qt {

QtTcpStream::QtTcpStream(std::string host, std::uint16_t port, int connectTimeoutMs)
    : host_(std::move(host)), port_(port), connectTimeoutMs_(connectTimeoutMs) {
    connectTimer_.setSingleShot(true);
    QObject::connect(&socket_, &QTcpSocket::connected, &context_, [this] { OnConnected(); },
                     Qt::QueuedConnection);
    QObject::connect(&socket_, &QTcpSocket::readyRead, &context_, [this] { OnReadyRead(); },
                     Qt::QueuedConnection);
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, &context_, [this] { OnError(); },
                     Qt::QueuedConnection);
    QObject::connect(&socket_, &QTcpSocket::disconnected, &context_, [this] { OnDisconnected(); },
                     Qt::QueuedConnection);
    QObject::connect(&connectTimer_, &QTimer::timeout, &context_, [this] { OnConnectTimeout(); });
}

QtTcpStream::~QtTcpStream() {
    active_ = false;
    socket_.abort();
}

void QtTcpStream::open() {
    active_ = true;
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_.connectToHost(QString::fromStdString(host_), port_);
    connectTimer_.start(connectTimeoutMs_);
}

bool QtTcpStream::isOpen() const {
    return active_ && socket_.state() == QAbstractSocket::ConnectedState;
}

bool QtTcpStream::write(const Bytes& data) {
    if (!isOpen()) return false;
    const auto size = static_cast<qint64>(data.size());
    return socket_.write(reinterpret_cast<const char*>(data.data()), size) == size;
}

void QtTcpStream::close() {
    active_ = false;
    connectTimer_.stop();
    socket_.abort();
}

void QtTcpStream::OnConnected() {
    if (!active_ || socket_.state() != QAbstractSocket::ConnectedState) return;
    connectTimer_.stop();
    if (handlers_.opened) handlers_.opened();
}

void QtTcpStream::OnReadyRead() {
    if (!active_) return;
    const QByteArray data = socket_.readAll();
    if (data.isEmpty() || !handlers_.received) return;
    handlers_.received(Bytes(data.begin(), data.end()));
}

void QtTcpStream::OnError() {
    if (!active_) return;
    Failed(SocketErrorText(socket_.error(), host_, port_, socket_.errorString()));
}

void QtTcpStream::OnDisconnected() {
    if (!active_) return;
    Failed("the instrument closed the connection");
}

void QtTcpStream::OnConnectTimeout() {
    if (!active_ || socket_.state() == QAbstractSocket::ConnectedState) return;
    Failed("no connection within " + std::to_string(connectTimeoutMs_ / 1000) +
           " s (is the instrument on and on this network, and the address right?)");
}

void QtTcpStream::Failed(const std::string& reason) {
    active_ = false;
    connectTimer_.stop();
    socket_.abort();
    if (handlers_.failed) handlers_.failed(reason);
}

std::string SocketErrorText(QAbstractSocket::SocketError error, const std::string& host,
                            std::uint16_t port, const QString& qtText) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return "connection refused (nothing listens on port " + std::to_string(port) + " of " +
                   host + "; is it the instrument's SCPI socket port?)";
        case QAbstractSocket::HostNotFoundError:
            return "the host " + host + " is not known";
        case QAbstractSocket::RemoteHostClosedError:
            return "the instrument closed the connection";
        case QAbstractSocket::SocketTimeoutError:
            return "the network timed out";
        case QAbstractSocket::NetworkError:
            return "network error (" + qtText.toStdString() + ")";
        default:
            return qtText.toStdString();
    }
}

}  // namespace qs::qt
