#pragma once

#include <cstdint>
#include <string>

#include "qtcore/posix_descriptor_stream.h"

namespace qs::qt {

// An instrument on a serial line (ASRL/dev/ttyUSB1::9600): the device opened as the radio's
// port is, non-blocking, raw, 8 data bits, no parity, one stop bit, no flow control, taken for
// this program alone. Bytes are read as they come until the line is empty; a hang-up (an
// unplugged USB adapter: a read of nothing, EIO) ends the stream with a reason. Writes the line
// cannot take at once wait in the stream and go as it drains. Notifications run from the
// event loop, never inside open, write or close.
class PosixSerialInstrumentStream : public PosixDescriptorStream {
public:
    PosixSerialInstrumentStream(std::string device, std::int32_t baud);
    ~PosixSerialInstrumentStream() override;

    void open() override;

private:
    void OpenNow(unsigned generation);
    std::string ReadFailure(ssize_t n, int error) const override;
    std::string WriteFailure(ssize_t n, int error) const override;
    void CloseDescriptor(int fd) override;
    std::string HungUp() const;

    std::string device_;
    std::int32_t baud_;
};

}  // namespace qs::qt
