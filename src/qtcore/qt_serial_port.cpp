#include "qtcore/qt_serial_port.h"

#include <algorithm>
#include <limits>

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

QtSerialPort::QtSerialPort(const PortBindings& bindings) : bindings_(bindings) {
    QObject::connect(&serial_, &QSerialPort::readyRead, [this] { OnReadyRead(); });
    QObject::connect(&serial_, &QSerialPort::errorOccurred,
                     [this](QSerialPort::SerialPortError code) { OnError(code); });
    batchTimer_.setSingleShot(true);
    QObject::connect(&batchTimer_, &QTimer::timeout, [this] { OnBatchEnd(); });
}

QtSerialPort::~QtSerialPort() {
    handler_ = nullptr;
    if (serial_.isOpen()) serial_.close();
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

bool QtSerialPort::setPortOpen(bool open, std::string* error) {
    if (!open) {
        batchTimer_.stop();
        if (serial_.isOpen()) serial_.close();
        return true;
    }
    if (serial_.isOpen()) return true;

    const std::optional<LineSettings> line = ParseLineSettings(settings_);
    if (!line) {
        SetError(error, "The line settings \"" + settings_ + "\" are not valid.");
        return false;
    }
    const std::string device = deviceName();
    serial_.setPortName(QString::fromStdString(device));
    serial_.setReadBufferSize(0);
    if (!serial_.open(QIODevice::ReadWrite)) {
        SetError(error, "Cannot open " + device + ": " + serial_.errorString().toStdString());
        return false;
    }
    if (!ApplyLineSettings(*line, error)) {
        serial_.close();
        return false;
    }
    serial_.setDataTerminalReady(dtr_);
    serial_.setRequestToSend(rts_);
    serial_.clear(QSerialPort::AllDirections);
    serial_.clearError();
    overflowReported_ = false;
    batchTimer_.stop();
    sinceReport_.invalidate();
    batchMs_ = kMinBatchMs;
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
    const QByteArray data = serial_.readAll();
    overflowReported_ = false;
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
    return written == static_cast<qint64>(data.size());
}

int QtSerialPort::outBufferCount() const {
    if (!serial_.isOpen()) return 0;
    return static_cast<int>(
        std::min<qint64>(serial_.bytesToWrite(), std::numeric_limits<int>::max()));
}

bool QtSerialPort::clearOutBuffer() {
    if (!serial_.isOpen()) return true;
    return serial_.clear(QSerialPort::Output);
}

void QtSerialPort::Notify(CommEvent event) {
    // While a message box is open the data waits in the buffer; the first tick after the box
    // closes takes it.
    if (ModalDialogOpen() || !handler_) return;
    handler_(event);
}

void QtSerialPort::OnReadyRead() {
    if (!serial_.isOpen() || draining_) return;
    if (sinceReport_.isValid() && sinceReport_.elapsed() < batchMs_) {
        HoldReceive();
        return;
    }
    // The first data after a quiet spell.
    batchMs_ = kMinBatchMs;
    ReportReceive();
}

void QtSerialPort::HoldReceive() {
    // A read buffer no larger than what it holds makes QSerialPort stop watching the device
    // (it is usually one byte already, set after the last report).
    const qint64 held = std::max<qint64>(1, serial_.bytesAvailable());
    const qint64 limit = serial_.readBufferSize();
    if (limit == 0 || limit > held) serial_.setReadBufferSize(held);
    if (!batchTimer_.isActive()) {
        batchTimer_.start(static_cast<int>(std::max<qint64>(1, batchMs_ - sinceReport_.elapsed())));
    }
}

void QtSerialPort::OnBatchEnd() {
    // Data kept coming: a longer batch next time.
    batchMs_ = std::min<qint64>(2 * batchMs_, kMaxBatchMs);
    ReportReceive();
}

void QtSerialPort::ReportReceive() {
    if (!serial_.isOpen()) return;
    // Unlimited again, and whatever the driver holds now is read in one go (a poll that
    // does not wait; its readyRead is this report's own).
    draining_ = true;
    serial_.setReadBufferSize(0);
    serial_.waitForReadyRead(0);
    draining_ = false;
    if (!serial_.isOpen()) return;
    sinceReport_.start();
    if (serial_.bytesAvailable() > 0) {
        if (serial_.bytesAvailable() > inBufferBytes_) {
            if (!overflowReported_) {
                overflowReported_ = true;
                Notify(CommEvent::RxOver);
            }
        } else {
            Notify(CommEvent::Receive);
        }
    }
    // Once the data has been taken, the next byte is read alone and stops the reading until
    // it is reported: one wake-up per batch instead of one per byte. Data nobody took (a
    // message box is open, or an overflow) keeps Qt reading as before.
    if (serial_.isOpen() && serial_.bytesAvailable() == 0) serial_.setReadBufferSize(1);
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
            serial_.close();
            return;
        case QSerialPort::WriteError:
            Notify(CommEvent::TxFull);
            return;
        default:
            // Open errors are reported by setPortOpen itself.
            return;
    }
}

}  // namespace qs::qt
