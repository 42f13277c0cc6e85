#include "posix_serial_port.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qs::bench {

namespace {

speed_t SpeedOf(const std::string& settings) {
    const long baud = std::strtol(settings.c_str(), nullptr, 10);
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        default:
            return B9600;
    }
}

}  // namespace

PosixSerialPort::~PosixSerialPort() {
    if (fd_ >= 0) ::close(fd_);
}

bool PosixSerialPort::setPortOpen(bool open, std::string* error) {
    if (!open) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        rx_.clear();
        tx_.clear();
        return true;
    }
    if (fd_ >= 0) return true;
    const auto device = devices_.find(commPort_);
    if (device == devices_.end()) {
        if (error) *error = "no device for this port number";
        return false;
    }
    fd_ = ::open(device->second.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&tio, SpeedOf(settings_));
        cfsetospeed(&tio, SpeedOf(settings_));
        tcsetattr(fd_, TCSANOW, &tio);
    }
    // A pseudo-terminal has no modem lines; the request is made as on a real port.
    int lines = (dtr_ ? TIOCM_DTR : 0) | (rts_ ? TIOCM_RTS : 0);
    if (lines != 0) ioctl(fd_, TIOCMBIS, &lines);
    return true;
}

Bytes PosixSerialPort::input() {
    Bytes out;
    out.swap(rx_);
    return out;
}

bool PosixSerialPort::output(const Bytes& data) {
    if (fd_ < 0) return false;
    tx_.insert(tx_.end(), data.begin(), data.end());
    Flush();
    return true;
}

bool PosixSerialPort::clearOutBuffer() {
    tx_.clear();
    if (fd_ >= 0) tcflush(fd_, TCOFLUSH);
    return true;
}

void PosixSerialPort::Flush() {
    while (fd_ >= 0 && !tx_.empty()) {
        const ssize_t n = ::write(fd_, tx_.data(), tx_.size());
        if (n <= 0) return;  // the device is full; Poll tries again
        bytesWritten_ += n;
        tx_.erase(tx_.begin(), tx_.begin() + n);
    }
}

void PosixSerialPort::Poll() {
    Flush();
    bool received = false;
    std::uint8_t chunk[4096];
    while (fd_ >= 0) {
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n <= 0) break;
        rx_.insert(rx_.end(), chunk, chunk + n);
        bytesRead_ += n;
        received = true;
    }
    if (received && handler_) handler_(CommEvent::Receive);
}

}  // namespace qs::bench
