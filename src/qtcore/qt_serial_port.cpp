#include "qtcore/qt_serial_port.h"

#include <algorithm>
#include <limits>

#include "port/receive_room.h"
#include "qtcore/modal_scope.h"

namespace qs::qt {

namespace {

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
        case Parity::None:
            return QSerialPort::NoParity;
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Mark:
            return QSerialPort::MarkParity;
        case Parity::Space:
            return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits ToQt(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::One:
            return QSerialPort::OneStop;
        case StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case StopBits::Two:
            return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

}  // namespace

QtSerialPort::QtSerialPort(const PortBindings& bindings)
    : bindings_(bindings), gate_([] { return HeartbeatHeldByDialog(); }) {
    QObject::connect(&serial_, &QSerialPort::readyRead, [this] { OnReadyRead(); });
    QObject::connect(&serial_, &QSerialPort::errorOccurred,
                     [this](QSerialPort::SerialPortError code) { OnError(code); });
    heldTimer_.setInterval(kHeldRecheckMs);
    QObject::connect(&heldTimer_, &QTimer::timeout, [this] {
        if (gate_.Release()) heldTimer_.stop();
    });
    drainTimer_.setSingleShot(true);
    QObject::connect(&drainTimer_, &QTimer::timeout, [this] { OnDrainCheck(); });
    fullTimer_.setSingleShot(true);
    QObject::connect(&fullTimer_, &QTimer::timeout, [this] {
        if (!serial_.isOpen() || overflowReported_ || serial_.bytesAvailable() < inBufferBytes_) {
            return;
        }
        overflowReported_ = true;
        Offer(CommEvent::RxOver);
    });
}

QtSerialPort::~QtSerialPort() {
    gate_.setHandler(nullptr);
    Close();
}

void QtSerialPort::setDtrEnable(bool on) {
    dtr_ = on;
    // Pseudo-terminals have no modem lines; a refusal there is not a fault of the port.
    if (serial_.isOpen()) serial_.setDataTerminalReady(on);
}

void QtSerialPort::setRtsEnable(bool on) {
    rts_ = on;
    if (serial_.isOpen()) serial_.setRequestToSend(on);
}

void QtSerialPort::setInBufferSize(int bytes) {
    inBufferBytes_ = std::max(1, bytes);
    serial_.setReadBufferSize(inBufferBytes_);
}

void QtSerialPort::setOutBufferSize(int bytes) {
    outBufferBytes_ = std::max(1, bytes);
}

bool QtSerialPort::ApplyLineSettings(const LineSettings& line, std::string* error) {
    const bool ok = serial_.setBaudRate(line.baud) &&
                    serial_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)) &&
                    serial_.setParity(ToQt(line.parity)) &&
                    serial_.setStopBits(ToQt(line.stopBits)) &&
                    serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        SetError(error, "The line settings " + settings_ + " are not supported by " + deviceName() +
                            ": " + serial_.errorString().toStdString());
    }
    return ok;
}

void QtSerialPort::Close() {
    heldTimer_.stop();
    drainTimer_.stop();
    fullTimer_.stop();
    drain_.Reset();
    gate_.Clear();
    if (serial_.isOpen()) serial_.close();
    deviceLock_.Release();
}

bool QtSerialPort::setPortOpen(bool open, std::string* error) {
    if (!open) {
        Close();
        return true;
    }
    if (serial_.isOpen()) return true;
    inUseBy_.clear();

    const std::optional<LineSettings> line = ParseLineSettings(settings_);
    if (!line) {
        SetError(error, "The line settings \"" + settings_ + "\" are not valid.");
        return false;
    }
    const std::string device = deviceName();
    // The lock first: a device another program has is not even opened.
    if (!deviceLock_.Take(device, inUseBy_)) {
        SetError(error, inUseBy_);
        return false;
    }
    serial_.setPortName(QString::fromStdString(device));
    // Qt then reads only what fits; the rest waits in the driver.
    serial_.setReadBufferSize(inBufferBytes_);
    if (!serial_.open(QIODevice::ReadWrite)) {
        deviceLock_.Release();
        SetError(error, "Cannot open " + device + ": " + serial_.errorString().toStdString());
        return false;
    }
    if (!ApplyLineSettings(*line, error)) {
        Close();
        return false;
    }
    serial_.setDataTerminalReady(dtr_);
    serial_.setRequestToSend(rts_);
    serial_.clear(QSerialPort::AllDirections);
    serial_.clearError();
    overflowReported_ = false;
    lostReason_.clear();
    return true;
}

int QtSerialPort::inBufferCount() const {
    if (!serial_.isOpen()) return 0;
    return static_cast<int>(
        std::min<qint64>(serial_.bytesAvailable(), std::numeric_limits<int>::max()));
}

Bytes QtSerialPort::input() {
    if (!serial_.isOpen()) return {};
    const QByteArray data = serial_.read(serial_.bytesAvailable());
    fullTimer_.stop();
    return Bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                 reinterpret_cast<const std::uint8_t*>(data.constData()) + data.size());
}

bool QtSerialPort::output(const Bytes& data) {
    if (!serial_.isOpen()) return false;
    if (data.empty()) return true;
    const qint64 free = outBufferBytes_ - serial_.bytesToWrite();
    if (static_cast<qint64>(data.size()) > free) return false;
    const qint64 written =
        serial_.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()));
    // QSerialPort only queues; without this the frame would wait for the event loop to come
    // round to the port. flush() writes what the line takes now and never blocks.
    serial_.flush();
    if (written > 0) bytesHanded_ += written;
    if (drain_.Written(bytesHanded_, serial_.bytesToWrite())) {
        drainTimer_.start(DrainWatch::kBoundMs);
    }
    return written == static_cast<qint64>(data.size());
}

int QtSerialPort::outBufferCount() const {
    if (!serial_.isOpen()) return 0;
    return static_cast<int>(
        std::min<qint64>(serial_.bytesToWrite(), std::numeric_limits<int>::max()));
}

bool QtSerialPort::clearOutBuffer() {
    if (!serial_.isOpen()) return true;
    drain_.Reset();
    drainTimer_.stop();
    return serial_.clear(QSerialPort::Output);
}

void QtSerialPort::Offer(CommEvent event) {
    if (!gate_.Offer(event) && !heldTimer_.isActive()) heldTimer_.start();
}

void QtSerialPort::OnReadyRead() {
    if (!serial_.isOpen() || serial_.bytesAvailable() == 0) return;
    if (serial_.bytesAvailable() >= inBufferBytes_ && !fullTimer_.isActive()) {
        fullTimer_.start(ReceiveRoom::kStaysFullMs);
    }
    Offer(CommEvent::Receive);
}

void QtSerialPort::OnDrainCheck() {
    if (!serial_.isOpen()) return;
    const qint64 queued = serial_.bytesToWrite();
    switch (drain_.Check(bytesHanded_, queued)) {
        case DrainWatch::Verdict::Drained:
            return;
        case DrainWatch::Verdict::Draining:
            drainTimer_.start(DrainWatch::kBoundMs);
            return;
        case DrainWatch::Verdict::Stalled:
            lostReason_ = DrainWatch::StalledReason(deviceName(), queued);
            Offer(CommEvent::TxStalled);
            return;
    }
}

void QtSerialPort::OnError(QSerialPort::SerialPortError code) {
    switch (code) {
        case QSerialPort::NoError:
        case QSerialPort::UnsupportedOperationError:  // modem lines of a pseudo-terminal
        case QSerialPort::TimeoutError:
        case QSerialPort::NotOpenError:
            return;
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
            // The device went away: close now, or the notifier would fire without end.
            if (!serial_.isOpen()) return;
            lostReason_ = deviceName() + ": " + serial_.errorString().toStdString();
            Close();
            return;
        case QSerialPort::WriteError:
            Offer(CommEvent::TxFull);
            return;
        default:
            // Open errors are reported by setPortOpen itself.
            return;
    }
}

}  // namespace qs::qt
