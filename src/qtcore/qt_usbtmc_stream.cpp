#include "qtcore/qt_usbtmc_stream.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QMetaObject>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#ifdef __linux__
#include <linux/usb/tmc.h>
#endif

#include "instruments/scpi_text.h"
#include "qtcore/thread_post.h"

namespace qs::qt {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;
constexpr std::size_t kMaxAnswerBytes = 65536;

}  // namespace

struct QtUsbTmcStream::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::string> messages;  // lines to send, each with its LF
    bool stop = false;
    QObject* context = nullptr;  // null once the stream is closed: nothing more is posted

    // Runs `call` on the stream's thread later, unless the stream is closed by then.
    template <typename Call>
    void Post(Call call) {
        std::lock_guard<std::mutex> lock(mutex);
        if (context != nullptr) PostFromThread(context, std::move(call));
    }
};

namespace {

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Reads one answer; empty when the driver's time-out ran out first. False on a failure.
bool ReadAnswer(int fd, std::string* answer, std::string* error) {
    char buffer[kReadChunkBytes];
    while (answer->size() < kMaxAnswerBytes) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == ETIMEDOUT) return true;
        if (n < 0) {
            *error = Errno("reading the answer failed");
            return false;
        }
        answer->append(buffer, static_cast<std::size_t>(n));
        if (n == 0 || answer->back() == '\n') return true;
    }
    return true;
}

void Serve(const std::shared_ptr<QtUsbTmcStream::Shared>& shared, const std::string& device,
           int answerTimeoutMs, QtUsbTmcStream* stream) {
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const std::string reason = Errno("cannot open " + device);
        shared->Post([stream, reason] { stream->OnFailed(reason); });
        return;
    }
#ifdef USBTMC_IOCTL_SET_TIMEOUT
    // A file that is not a usbtmc device (a test's stand-in) keeps its own behaviour.
    const __u32 timeout = static_cast<__u32>(answerTimeoutMs);
    (void)::ioctl(fd, USBTMC_IOCTL_SET_TIMEOUT, &timeout);
#else
    (void)answerTimeoutMs;
#endif
    shared->Post([stream] { stream->OnOpened(); });
    while (true) {
        std::string message;
        {
            std::unique_lock<std::mutex> lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->stop || !shared->messages.empty(); });
            if (shared->stop) break;
            message = std::move(shared->messages.front());
            shared->messages.pop_front();
        }
        if (::write(fd, message.data(), message.size()) != static_cast<ssize_t>(message.size())) {
            const std::string reason = Errno("writing to " + device + " failed");
            shared->Post([stream, reason] { stream->OnFailed(reason); });
            break;
        }
        if (!instruments::IsQueryMessage(message.substr(0, message.find_last_not_of("\r\n") + 1))) {
            continue;
        }
        std::string answer;
        std::string error;
        if (!ReadAnswer(fd, &answer, &error)) {
            shared->Post([stream, error] { stream->OnFailed(error); });
            break;
        }
        if (!answer.empty()) {
            shared->Post([stream, answer] { stream->OnReceived(Bytes(answer.begin(), answer.end())); });
        }
    }
    ::close(fd);
}

}  // namespace

QtUsbTmcStream::QtUsbTmcStream(std::string device, int answerTimeoutMs)
    : device_(std::move(device)), answerTimeoutMs_(answerTimeoutMs) {}

QtUsbTmcStream::~QtUsbTmcStream() {
    close();
}

void QtUsbTmcStream::open() {
    close();
    shared_ = std::make_shared<Shared>();
    shared_->context = &context_;
    active_ = true;
    std::thread(Serve, shared_, device_, answerTimeoutMs_, this).detach();
}

bool QtUsbTmcStream::write(const Bytes& data) {
    if (!open_) return false;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    // Each line is one USBTMC message.
    std::string text(data.begin(), data.end());
    std::size_t start = 0;
    std::size_t newline = 0;
    while ((newline = text.find('\n', start)) != std::string::npos) {
        shared_->messages.push_back(text.substr(start, newline - start + 1));
        start = newline + 1;
    }
    if (start < text.size()) shared_->messages.push_back(text.substr(start));
    shared_->wake.notify_one();
    return true;
}

void QtUsbTmcStream::close() {
    active_ = false;
    open_ = false;
    if (!shared_) return;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop = true;
        shared_->context = nullptr;
    }
    shared_->wake.notify_one();
    shared_.reset();
}

void QtUsbTmcStream::OnOpened() {
    if (!active_) return;
    open_ = true;
    if (handlers_.opened) handlers_.opened();
}

void QtUsbTmcStream::OnReceived(const Bytes& data) {
    if (!active_ || !handlers_.received) return;
    handlers_.received(data);
}

void QtUsbTmcStream::OnFailed(const std::string& reason) {
    if (!active_) return;
    close();
    if (handlers_.failed) handlers_.failed(reason);
}

}  // namespace qs::qt
