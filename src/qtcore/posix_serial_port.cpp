#include "qtcore/posix_serial_port.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "qtcore/modal_scope.h"
#include "qtcore/posix_descriptor_stream.h"
#include "qtcore/posix_terminal.h"

namespace qs::qt {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::min<std::int64_t>(value, std::numeric_limits<int>::max()));
}

}  // namespace

PosixSerialPort::PosixSerialPort(const PortBindings& bindings)
    : bindings_(bindings), lostCounter_(LostByteCount), gate_([] { return HeartbeatHeldByDialog(); }) {
    lookTimer_.setSingleShot(true);
    lookTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&lookTimer_, &QTimer::timeout, [this] { OnLookDue(); });
    drainTimer_.setSingleShot(true);
    QObject::connect(&drainTimer_, &QTimer::timeout, [this] { OnDrainCheck(); });
}

PosixSerialPort::~PosixSerialPort() {
    gate_.setHandler(nullptr);
    Close();
    readNotifier_.reset();
    writeNotifier_.reset();
}

void PosixSerialPort::setDtrEnable(bool on) {
    dtr_ = on;
    SetModemLine(fd_, TIOCM_DTR, on);
}

void PosixSerialPort::setRtsEnable(bool on) {
    rts_ = on;
    SetModemLine(fd_, TIOCM_RTS, on);
}

void PosixSerialPort::setInBufferSize(int bytes) {
    inBufferBytes_ = std::max(1, bytes);
}

void PosixSerialPort::setOutBufferSize(int bytes) {
    outBufferBytes_ = std::max(1, bytes);
}

bool PosixSerialPort::setPortOpen(bool open, std::string* error) {
    if (!open) {
        Close();
        return true;
    }
    if (fd_ >= 0) return true;
    inUseBy_.clear();
    const std::optional<LineSettings> line = ParseLineSettings(settings_);
    if (!line) {
        SetError(error, "The line settings \"" + settings_ + "\" are not valid.");
        return false;
    }
    // The lock first: a device another program has is not even opened.
    if (!deviceLock_.Take(deviceName(), inUseBy_)) {
        SetError(error, inUseBy_);
        return false;
    }
    std::string reason;
    const int fd = OpenTerminal(deviceName(), settings_, *line, reason, &inUseBy_);
    if (fd < 0) {
        deviceLock_.Release();
        SetError(error, reason);
        return false;
    }
    fd_ = fd;
    lost_ = false;
    SetModemLine(fd_, TIOCM_DTR, dtr_);
    SetModemLine(fd_, TIOCM_RTS, rts_);
    overflowPending_ = false;
    room_.Opened(LostCount());
    lostReason_.clear();
    readNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { OnWritable(); });
    Apply(batching_.Opened());
    return true;
}

void PosixSerialPort::Close() {
    lookTimer_.stop();
    drainTimer_.stop();
    drain_.Reset();
    DropNotifier(readNotifier_);
    DropNotifier(writeNotifier_);
    gate_.Clear();
    rx_.clear();
    tx_.clear();
    if (fd_ >= 0) CloseTerminal(fd_);
    fd_ = -1;
    lost_ = false;
    deviceLock_.Release();
}

PosixSerialPort::ReadResult PosixSerialPort::ReadAvailable() {
    std::uint8_t chunk[kReadChunkBytes];
    while (fd_ >= 0 && !lost_) {
        // What does not fit waits in the driver, which holds it or counts what it drops.
        const std::int64_t room =
            ReceiveRoom::Room(static_cast<std::int64_t>(rx_.size()), inBufferBytes_);
        if (room == 0) return ReadResult::Open;
        const ssize_t n = ::read(fd_, chunk, std::min<std::int64_t>(sizeof chunk, room));
        if (n > 0) {
            rx_.insert(rx_.end(), chunk, chunk + n);
            counters_.bytesRead += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return ReadResult::Open;
        // With at least one byte asked for, a read of none is a hang-up; EIO is a device
        // whose other end has gone.
        lostReason_ = deviceName() + ": " + (n == 0 ? "the line hung up" : std::strerror(errno));
        return ReadResult::HungUp;
    }
    return ReadResult::Open;
}

std::optional<std::int64_t> PosixSerialPort::LostCount() const {
    if (fd_ < 0 || lost_ || !lostCounter_) return std::nullopt;
    return lostCounter_(fd_);
}

void PosixSerialPort::LookForLoss() {
    if (fd_ < 0 || lost_ || overflowPending_ || room_.lossReported()) return;
    bool moreWaiting = false;
    int waiting = 0;
    if (Full() && ::ioctl(fd_, FIONREAD, &waiting) == 0) moreWaiting = waiting > 0;
    if (room_.Look(static_cast<std::int64_t>(rx_.size()), inBufferBytes_, moreWaiting,
                   LostCount())) {
        overflowPending_ = true;
    }
}

int PosixSerialPort::inBufferCount() const {
    if (fd_ < 0) return 0;
    std::int64_t count = static_cast<std::int64_t>(rx_.size());
    // While the line is watched, whatever the driver holds is about to wake the port; only
    // when it is not is the driver asked (a count, which takes nothing from it).
    const bool watched = readNotifier_ && readNotifier_->isEnabled();
    int waiting = 0;
    if (!lost_ && !watched && ::ioctl(fd_, FIONREAD, &waiting) == 0) {
        count += std::max(0, waiting);
    }
    return ClampToInt(count);
}

Bytes PosixSerialPort::input() {
    if (fd_ < 0) return {};
    const ReadResult result = ReadAvailable();
    Bytes out;
    out.swap(rx_);
    room_.Taken();
    if (result == ReadResult::HungUp) {
        Lost(lostReason_);
        return out;
    }
    if (!out.empty()) Apply(batching_.Taken());
    return out;
}

bool PosixSerialPort::output(const Bytes& data) {
    if (fd_ < 0 || lost_) return false;
    if (data.empty()) return true;
    if (static_cast<std::int64_t>(data.size()) > outBufferBytes_ - outBufferCount()) return false;
    tx_.insert(tx_.end(), data.begin(), data.end());
    Flush();
    if (fd_ < 0) return false;
    // A frame sent starts an exchange: its echo and answer are reported as they come.
    Apply(batching_.Sent());
    if (drain_.Written(counters_.bytesWritten + static_cast<std::int64_t>(tx_.size()),
                       outBufferCount())) {
        drainTimer_.start(DrainWatch::kBoundMs);
    }
    return true;
}

void PosixSerialPort::Flush() {
    while (fd_ >= 0 && !tx_.empty()) {
        const ssize_t n = ::write(fd_, tx_.data(), tx_.size());
        if (n > 0) {
            tx_.erase(tx_.begin(), tx_.begin() + n);
            counters_.bytesWritten += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        Lost(deviceName() + ": " + std::strerror(errno));
        return;
    }
    // The driver full: the rest goes when it has room.
    if (writeNotifier_) writeNotifier_->setEnabled(!tx_.empty());
}

int PosixSerialPort::outBufferCount() const {
    if (fd_ < 0) return 0;
    std::int64_t count = static_cast<std::int64_t>(tx_.size());
    int queued = 0;
    if (!lost_ && ::ioctl(fd_, TIOCOUTQ, &queued) == 0) count += std::max(0, queued);
    return ClampToInt(count);
}

bool PosixSerialPort::clearOutBuffer() {
    if (fd_ < 0) return true;
    tx_.clear();
    if (writeNotifier_) writeNotifier_->setEnabled(false);
    drain_.Reset();
    drainTimer_.stop();
    return lost_ || ::tcflush(fd_, TCOFLUSH) == 0;
}

void PosixSerialPort::OnReadable() {
    ++counters_.wakeUps;
    if (ReadAvailable() == ReadResult::HungUp) {
        Lost(lostReason_);
        return;
    }
    LookForLoss();
    if (overflowPending_) {
        Report();
        return;
    }
    if (rx_.empty()) return;
    if (gate_.holding()) {
        HoldForDialog();
        return;
    }
    Apply(batching_.Arrived());
}

void PosixSerialPort::OnWritable() {
    ++counters_.wakeUps;
    Flush();
}

void PosixSerialPort::OnLookDue() {
    ++counters_.wakeUps;
    if (ReadAvailable() == ReadResult::HungUp) {
        Lost(lostReason_);
        return;
    }
    LookForLoss();
    if (gate_.holding()) {
        if (overflowPending_) {
            overflowPending_ = false;
            gate_.Offer(CommEvent::RxOver);
        }
        if (!gate_.Release()) {
            HoldForDialog();
            return;
        }
        if (fd_ < 0) return;
    }
    Apply(batching_.LookDue(!rx_.empty()));
}

void PosixSerialPort::OnDrainCheck() {
    ++counters_.wakeUps;
    if (fd_ < 0) return;
    const std::int64_t queued = outBufferCount();
    switch (drain_.Check(counters_.bytesWritten + static_cast<std::int64_t>(tx_.size()), queued)) {
        case DrainWatch::Verdict::Drained:
            return;
        case DrainWatch::Verdict::Draining:
            drainTimer_.start(DrainWatch::kBoundMs);
            return;
        case DrainWatch::Verdict::Stalled:
            lostReason_ = DrainWatch::StalledReason(deviceName(), queued);
            ++counters_.reports;
            if (!gate_.Offer(CommEvent::TxStalled)) HoldForDialog();
            return;
    }
}

void PosixSerialPort::Apply(const ReceiveBatching::Plan& plan) {
    if (fd_ < 0) return;
    if (gate_.holding()) {
        HoldForDialog();
        return;
    }
    // A full buffer is not watched (the driver would wake the port without end); the port
    // looks now and then instead, to see whether the program still takes its data.
    const bool watch = plan.watch && !Full();
    if (readNotifier_ && readNotifier_->isEnabled() != watch) {
        readNotifier_->setEnabled(watch);
    }
    if (plan.lookInMs >= 0) {
        lookTimer_.start(plan.lookInMs);
    } else if (!watch) {
        if (!lookTimer_.isActive()) lookTimer_.start(ReceiveBatching::kStreamLookMs);
    } else {
        lookTimer_.stop();
    }
    if (plan.report) Report();
}

void PosixSerialPort::HoldForDialog() {
    if (fd_ < 0) return;
    if (readNotifier_) readNotifier_->setEnabled(false);
    if (!lookTimer_.isActive()) lookTimer_.start(ReceiveBatching::kStreamLookMs);
}

void PosixSerialPort::Report() {
    if (fd_ < 0) return;
    CommEvent event = CommEvent::Receive;
    if (overflowPending_) {
        overflowPending_ = false;
        event = CommEvent::RxOver;
    } else if (rx_.empty()) {
        return;
    }
    ++counters_.reports;
    if (!gate_.Offer(event)) HoldForDialog();
}

void PosixSerialPort::Lost(const std::string& reason) {
    if (fd_ < 0 || lost_) return;
    lost_ = true;
    lostReason_ = reason;
    lookTimer_.stop();
    drainTimer_.stop();
    DropNotifier(readNotifier_);
    DropNotifier(writeNotifier_);
    // What came before the hang-up still belongs to the exchange.
    if (!rx_.empty() && !gate_.holding()) {
        ++counters_.reports;
        gate_.Offer(CommEvent::Receive);
    }
    Close();
}

}  // namespace qs::qt
