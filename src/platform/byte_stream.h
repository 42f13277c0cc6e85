#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/bytes.h"

namespace qs {

// Where a bench instrument is reached: a TCP socket, a USBTMC device file or a serial line.
struct StreamEndpoint {
    enum class Kind { Tcp, UsbTmc, Serial };
    Kind kind = Kind::Tcp;
    std::string host;           // Tcp
    std::uint16_t port = 0;     // Tcp
    std::string device;         // UsbTmc, Serial: the device file
    std::int32_t baud = 9600;   // Serial
    // How long the instrument may take to answer a query. A transport that has to wait for
    // each answer itself (a USBTMC device file) waits no longer than this.
    std::int32_t answerTimeoutMs = 2000;
};

// A byte stream to one instrument. It belongs to the program's event loop: every handler runs
// later on the program's one thread, never inside a call to open, write or close, so a caller
// may change its own state freely after each call. After close() no handler runs any more.
class IByteStream {
public:
    struct Handlers {
        // The stream is open and takes writes.
        std::function<void()> opened;
        // Bytes arrived, in order, in pieces of any size.
        std::function<void(const Bytes&)> received;
        // Opening failed, or an open stream broke or was closed by the other side. The stream
        // is closed afterwards; `reason` says why in words a technician can act on.
        std::function<void(const std::string& reason)> failed;
    };

    virtual ~IByteStream() = default;

    virtual void setHandlers(Handlers handlers) = 0;
    // Starts opening; ends in `opened` or `failed`, within the stream's own time-out.
    virtual void open() = 0;
    virtual bool isOpen() const = 0;
    // Queues bytes for sending; false when the stream is not open.
    virtual bool write(const Bytes& data) = 0;
    // Closes at once, dropping whatever has not been sent. Closing a closed stream is fine.
    virtual void close() = 0;
};

// Makes the stream for an endpoint. Returns null with `error` saying why when this program
// cannot reach that kind of endpoint.
class IByteStreamFactory {
public:
    virtual ~IByteStreamFactory() = default;
    virtual std::unique_ptr<IByteStream> Create(const StreamEndpoint& endpoint,
                                                std::string* error) = 0;
};

}  // namespace qs
