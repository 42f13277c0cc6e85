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
        watching_ = true;
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
    batchMs_ = kMinBatchMs;
    readNotifier_.clear();
    Watch(true);
    lostReason_.clear();
    return true;
}

int QtSerialPort::inBufferCount() const {
    if (!serial_.isOpen()) return 0;
    // Like a driver's count, a look takes what has arrived; only the look changes state.
    if (!watching_) const_cast<QtSerialPort*>(this)->CollectHeld();
    if (!serial_.isOpen()) return 0;
    return static_cast<int>(
        std::min<qint64>(serial_.bytesAvailable(), std::numeric_limits<int>::max()));
}

Bytes QtSerialPort::input() {
    if (!serial_.isOpen()) return {};
    const QByteArray data = serial_.read(serial_.bytesAvailable());
    // Reading Qt's buffer empty can make QSerialPort watch the line again.
    if (!watching_) Watch(false);
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
    // A frame sent starts a new exchange: its echo and answer are reported as they come, not
    // at the end of the batch of an earlier one (during a report, its end looks again soon).
    batchMs_ = kMinBatchMs;
    if (!reporting_) {
        batchTimer_.stop();
        if (!watching_) Watch(true);
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
    return serial_.clear(QSerialPort::Output);
}

void QtSerialPort::Notify(CommEvent event) {
    // While a message box is open the data waits in the buffer; the first tick after the box
    // closes takes it.
    if (ModalDialogOpen() || !handler_) return;
    handler_(event);
}

void QtSerialPort::Watch(bool on) {
    if (!serial_.isOpen()) return;
    watching_ = on;
    if (readNotifier_.isNull()) {
        for (QSocketNotifier* notifier :
             serial_.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly)) {
            if (notifier->type() == QSocketNotifier::Read) readNotifier_ = notifier;
        }
    }
    if (!readNotifier_.isNull()) {
        if (on && serial_.readBufferSize() != 0) serial_.setReadBufferSize(0);
        readNotifier_->setEnabled(on);
        return;
    }
    // A read buffer no larger than what it holds makes QSerialPort stop watching (after one
    // more byte when it is empty).
    serial_.setReadBufferSize(on ? 0 : std::max<qint64>(1, serial_.bytesAvailable()));
}

void QtSerialPort::Collect() {
    // A poll that does not wait; the readyRead it raises is the caller's own.
    draining_ = true;
    if (serial_.readBufferSize() != 0) serial_.setReadBufferSize(0);
    serial_.waitForReadyRead(0);
    draining_ = false;
}

void QtSerialPort::CollectHeld() {
    if (reporting_ || !serial_.isOpen()) return;
    const qint64 before = serial_.bytesAvailable();
    Collect();
    if (!serial_.isOpen()) return;
    if (serial_.bytesAvailable() > before) batchTimer_.start(static_cast<int>(batchMs_));
    // The batch goes on without Qt watching, whatever the collecting did to its notifier.
    Watch(false);
}

void QtSerialPort::OnReadyRead() {
    if (!serial_.isOpen() || draining_) return;
    if (batchTimer_.isActive()) {
        // Watching came back on within a batch: the data waits for the batch's end.
        Watch(false);
        return;
    }
    // The first data after a quiet spell.
    batchMs_ = kMinBatchMs;
    Collect();
    ReportTaken();
}

void QtSerialPort::OnBatchEnd() {
    if (!serial_.isOpen()) return;
    Collect();
    if (!serial_.isOpen()) return;
    if (serial_.bytesAvailable() == 0) {
        // Quiet for a whole batch time: the next data is reported as soon as it comes.
        batchMs_ = kMinBatchMs;
        Watch(true);
        return;
    }
    // Data kept coming: a longer batch next time.
    batchMs_ = std::min<qint64>(2 * batchMs_, kMaxBatchMs);
    ReportTaken();
}

void QtSerialPort::ReportTaken() {
    if (!serial_.isOpen()) return;
    if (serial_.bytesAvailable() > 0) {
        // Qt watches the line while the program handles the report: a message box it opens
        // holds the heartbeat, and the data must not wait in the driver meanwhile.
        Watch(true);
        const bool outerReport = reporting_;
        reporting_ = true;
        if (serial_.bytesAvailable() > inBufferBytes_) {
            if (!overflowReported_) {
                overflowReported_ = true;
                Notify(CommEvent::RxOver);
            }
        } else {
            Notify(CommEvent::Receive);
        }
        reporting_ = outerReport;
    }
    if (!serial_.isOpen()) return;
    if (serial_.bytesAvailable() == 0) {
        // Everything was taken: the line is looked at again after the batch time, and until
        // then by the program's own looks.
        Watch(false);
        batchTimer_.start(static_cast<int>(batchMs_));
        return;
    }
    // Data nobody took (a message box is open, or an overflow): Qt keeps reading it.
    batchTimer_.stop();
    Watch(true);
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
