#include "qtcore/posix_serial_instrument_stream.h"

#include <unistd.h>

#include <QMetaObject>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "qtcore/port_bindings.h"
#include "qtcore/posix_terminal.h"

namespace qs::qt {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;

std::string LowerFirst(std::string text) {
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// Lets a notifier go without deleting it inside its own signal.
void Drop(std::unique_ptr<QSocketNotifier>& notifier) {
    if (!notifier) return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
}

}  // namespace

PosixSerialInstrumentStream::PosixSerialInstrumentStream(std::string device, std::int32_t baud)
    : device_(std::move(device)), baud_(baud) {}

PosixSerialInstrumentStream::~PosixSerialInstrumentStream() {
    close();
}

template <typename Call>
void PosixSerialInstrumentStream::Later(Call call) {
    const unsigned generation = generation_;
    QMetaObject::invokeMethod(
        &context_,
        [this, generation, call = std::move(call)]() mutable {
            if (generation == generation_) call();
        },
        Qt::QueuedConnection);
}

void PosixSerialInstrumentStream::open() {
    close();
    const unsigned generation = ++generation_;
    Later([this, generation] { OpenNow(generation); });
}

void PosixSerialInstrumentStream::OpenNow(unsigned generation) {
    LineSettings line;
    line.baud = baud_;
    std::string error;
    const std::string settings = std::to_string(baud_) + ",n,8,1";
    const int fd = OpenTerminal(device_, settings, line, error);
    if (fd < 0) {
        if (handlers_.failed) handlers_.failed(LowerFirst(error));
        return;
    }
    if (generation != generation_) {
        CloseTerminal(fd);
        return;
    }
    fd_ = fd;
    readable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(readable_.get(), &QSocketNotifier::activated, &context_,
                     [this] { OnReadable(); });
    writable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
    writable_->setEnabled(false);
    QObject::connect(writable_.get(), &QSocketNotifier::activated, &context_, [this] { Flush(); });
    if (handlers_.opened) handlers_.opened();
}

bool PosixSerialInstrumentStream::write(const Bytes& data) {
    if (fd_ < 0) return false;
    pending_.insert(pending_.end(), data.begin(), data.end());
    // A failure found here is told from the event loop, as every notification is.
    if (!writable_->isEnabled()) Flush();
    return true;
}

void PosixSerialInstrumentStream::Flush() {
    while (fd_ >= 0 && !pending_.empty()) {
        const ssize_t n = ::write(fd_, pending_.data(), pending_.size());
        if (n > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            writable_->setEnabled(true);
            return;
        }
        const std::string reason = n < 0 && errno != EIO
                                       ? "writing to " + device_ + " failed: " + std::strerror(errno)
                                       : "the serial line " + device_ + " hung up (is the cable "
                                                                        "still plugged in?)";
        writable_->setEnabled(false);
        Later([this, reason] { Failed(reason); });
        return;
    }
    if (writable_) writable_->setEnabled(false);
}

void PosixSerialInstrumentStream::OnReadable() {
    Bytes received;
    std::string failure;
    char buffer[kReadChunkBytes];
    while (fd_ >= 0) {
        const ssize_t n = ::read(fd_, buffer, sizeof(buffer));
        if (n > 0) {
            received.insert(received.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // A read of nothing on a raw line with VMIN 1, or EIO: the line hung up.
        failure = n < 0 && errno != EIO
                      ? "reading from " + device_ + " failed: " + std::strerror(errno)
                      : "the serial line " + device_ + " hung up (is the cable still plugged in?)";
        break;
    }
    const unsigned generation = generation_;
    if (!received.empty() && handlers_.received) handlers_.received(received);
    // The handler may have closed or reopened the stream.
    if (!failure.empty() && generation == generation_) Failed(failure);
}

void PosixSerialInstrumentStream::Failed(const std::string& reason) {
    close();
    if (handlers_.failed) handlers_.failed(reason);
}

void PosixSerialInstrumentStream::close() {
    ++generation_;
    Drop(readable_);
    Drop(writable_);
    pending_.clear();
    if (fd_ >= 0) CloseTerminal(fd_);
    fd_ = -1;
}

}  // namespace qs::qt
