#include "qtcore/posix_descriptor_stream.h"

#include <unistd.h>

#include <cerrno>

namespace qs::qt {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;

}  // namespace

void DropNotifier(std::unique_ptr<QSocketNotifier>& notifier) {
    if (!notifier) return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();
}

PosixDescriptorStream::~PosixDescriptorStream() {
    PosixDescriptorStream::close();
}

void PosixDescriptorStream::Adopt(int fd) {
    fd_ = fd;
    readable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(readable_.get(), &QSocketNotifier::activated, &context_,
                     [this] { OnReadable(); });
    writable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
    writable_->setEnabled(false);
    QObject::connect(writable_.get(), &QSocketNotifier::activated, &context_, [this] { Flush(); });
    if (handlers_.opened) handlers_.opened();
}

bool PosixDescriptorStream::write(const Bytes& data) {
    if (fd_ < 0) return false;
    pending_.insert(pending_.end(), data.begin(), data.end());
    // A failure found here is told from the event loop, as every notification is.
    if (!writable_->isEnabled()) Flush();
    return true;
}

ssize_t PosixDescriptorStream::Send(int fd, const std::uint8_t* data, std::size_t size) {
    return ::write(fd, data, size);
}

void PosixDescriptorStream::CloseDescriptor(int fd) {
    ::close(fd);
}

void PosixDescriptorStream::Flush() {
    while (fd_ >= 0 && !pending_.empty()) {
        const ssize_t n = Send(fd_, pending_.data(), pending_.size());
        if (n > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            writable_->setEnabled(true);
            return;
        }
        const std::string reason = WriteFailure(n, errno);
        writable_->setEnabled(false);
        Later([this, reason] { Failed(reason); });
        return;
    }
    if (writable_) writable_->setEnabled(false);
}

void PosixDescriptorStream::OnReadable() {
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
        failure = ReadFailure(n, errno);
        break;
    }
    const unsigned generation = generation_;
    if (!received.empty() && handlers_.received) handlers_.received(received);
    // The handler may have closed or reopened the stream.
    if (!failure.empty() && generation == generation_) Failed(failure);
}

void PosixDescriptorStream::close() {
    ++generation_;
    DropNotifier(readable_);
    DropNotifier(writable_);
    pending_.clear();
    if (fd_ >= 0) CloseDescriptor(fd_);
    fd_ = -1;
}

void PosixDescriptorStream::Failed(const std::string& reason) {
    close();
    if (handlers_.failed) handlers_.failed(reason);
}

}  // namespace qs::qt
