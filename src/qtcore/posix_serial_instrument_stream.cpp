#include "qtcore/posix_serial_instrument_stream.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "qtcore/port_bindings.h"
#include "qtcore/posix_terminal.h"

namespace qs::qt {

namespace {

std::string LowerFirst(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace

PosixSerialInstrumentStream::PosixSerialInstrumentStream(std::string device, std::int32_t baud)
    : device_(std::move(device)), baud_(baud) {}

PosixSerialInstrumentStream::~PosixSerialInstrumentStream() {
    close();
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
    Adopt(fd);
}

std::string PosixSerialInstrumentStream::HungUp() const {
    return "the serial line " + device_ + " hung up (is the cable still plugged in?)";
}

// A read of nothing on a raw line with VMIN 1, or EIO: the line hung up.
std::string PosixSerialInstrumentStream::ReadFailure(ssize_t n, int error) const {
    if (n < 0 && error != EIO)
        return "reading from " + device_ + " failed: " + std::strerror(error);
    return HungUp();
}

std::string PosixSerialInstrumentStream::WriteFailure(ssize_t n, int error) const {
    if (n < 0 && error != EIO) return "writing to " + device_ + " failed: " + std::strerror(error);
    return HungUp();
}

void PosixSerialInstrumentStream::CloseDescriptor(int fd) {
    CloseTerminal(fd);
}

}  // namespace qs::qt
