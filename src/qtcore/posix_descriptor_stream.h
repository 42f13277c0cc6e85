#pragma once

#include <sys/types.h>

#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/byte_stream.h"

namespace qs::qt {

// Lets a notifier go without deleting it inside its own signal.
void DropNotifier(std::unique_ptr<QSocketNotifier>& notifier);

// What an instrument's stream on a non-blocking descriptor does whatever the descriptor is (a
// serial line, a socket): writes wait in the stream and go as the descriptor takes them, bytes
// are read as they come until it has no more, and every notification runs from the event loop,
// never inside open, write or close. A kind of stream opens its descriptor its own way, hands
// it over with Adopt, and words its failures.
class PosixDescriptorStream : public IByteStream {
public:
    ~PosixDescriptorStream() override;

    void setHandlers(Handlers handlers) override { handlers_ = std::move(handlers); }
    bool isOpen() const override { return fd_ >= 0; }
    bool write(const Bytes& data) override;
    // A kind of stream that holds more than the descriptor (a connection being made) calls
    // this from its own close, and calls its own close from its destructor.
    void close() override;

protected:
    // The descriptor is open: it is watched from now on and `opened` is told.
    void Adopt(int fd);
    // Ends the stream and tells `failed`.
    void Failed(const std::string& reason);
    // Runs `call` from the event loop, unless the stream was closed or reopened meanwhile.
    template <typename Call>
    void Later(Call call) {
        const unsigned generation = generation_;
        QMetaObject::invokeMethod(
            &context_,
            [this, generation, call = std::move(call)]() mutable {
                if (generation == generation_) call();
            },
            Qt::QueuedConnection);
    }

    // The words for a read that failed (`n` 0: the other end is gone) or a write that did.
    virtual std::string ReadFailure(ssize_t n, int error) const = 0;
    virtual std::string WriteFailure(ssize_t n, int error) const = 0;
    virtual ssize_t Send(int fd, const std::uint8_t* data, std::size_t size);
    virtual void CloseDescriptor(int fd);

    unsigned generation_ = 0;  // one per open; stale posted calls see a newer one and drop
    QObject context_;
    Handlers handlers_;

private:
    void OnReadable();
    void Flush();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> readable_;
    std::unique_ptr<QSocketNotifier> writable_;
    Bytes pending_;
};

}  // namespace qs::qt
