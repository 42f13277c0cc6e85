#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/byte_stream.h"

namespace qs::qt {

// An instrument on a serial line (ASRL/dev/ttyUSB1::9600): the device opened as the radio's
// port is, non-blocking, raw, 8 data bits, no parity, one stop bit, no flow control, taken for
// this program alone. Bytes are read as they come until the line is empty; a hang-up (an
// unplugged USB adapter: a read of nothing, EIO) ends the stream with a reason. Writes the line
// cannot take at once wait in the stream and go as it drains. Notifications run from the
// event loop, never inside open, write or close.
class PosixSerialInstrumentStream : public IByteStream {
public:
    PosixSerialInstrumentStream(std::string device, std::int32_t baud);
    ~PosixSerialInstrumentStream() override;

    void setHandlers(Handlers handlers) override { handlers_ = std::move(handlers); }
    void open() override;
    bool isOpen() const override { return fd_ >= 0; }
    bool write(const Bytes& data) override;
    void close() override;

private:
    void OpenNow(unsigned generation);
    void OnReadable();
    void Flush();
    void Failed(const std::string& reason);
    // Runs `call` from the event loop, unless the stream was closed or reopened meanwhile.
    template <typename Call>
    void Later(Call call);

    std::string device_;
    std::int32_t baud_;
    int fd_ = -1;
    unsigned generation_ = 0;  // one per open; stale posted calls see a newer one and drop
    QObject context_;
    std::unique_ptr<QSocketNotifier> readable_;
    std::unique_ptr<QSocketNotifier> writable_;
    Bytes pending_;
    Handlers handlers_;
};

}  // namespace qs::qt
