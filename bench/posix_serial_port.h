#pragma once

// ISerialPort on a POSIX terminal device (termios, non-blocking), for the benchmarks that
// run the real link code against qt71dr-sim on a pseudo-terminal. Port numbers map to device
// paths given up front. Received bytes are taken from the device by Poll(), which the
// benchmark's event loop calls when the descriptor is readable; it then raises the Receive
// event as a serial port control would.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "platform/serial_port.h"

namespace qs::bench {

class PosixSerialPort : public ISerialPort {
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    void setDevice(std::int16_t port, std::string path) { devices_[port] = std::move(path); }

    void setCommPort(std::int16_t port) override { commPort_ = port; }
    std::int16_t commPort() const override { return commPort_; }
    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void setDtrEnable(bool on) override { dtr_ = on; }
    void setRtsEnable(bool on) override { rts_ = on; }
    void setInBufferSize(int bytes) override { inBufferSize_ = bytes; }
    void setOutBufferSize(int bytes) override { outBufferSize_ = bytes; }
    int outBufferSize() const override { return outBufferSize_; }
    bool setPortOpen(bool open, std::string* error = nullptr) override;
    bool portOpen() const override { return fd_ >= 0; }
    int inBufferCount() const override { return static_cast<int>(rx_.size()); }
    Bytes input() override;
    bool output(const Bytes& data) override;
    int outBufferCount() const override { return static_cast<int>(tx_.size()); }
    bool clearOutBuffer() override;
    void setEventHandler(std::function<void(CommEvent)> handler) override {
        handler_ = std::move(handler);
    }

    // The descriptor to wait on (-1 when closed) and whether output is waiting to go out.
    int fd() const { return fd_; }
    bool wantsToWrite() const { return !tx_.empty(); }
    // Takes what the device has received and sends what is queued; raises Receive when
    // bytes came in.
    void Poll();

    std::int64_t bytesWritten() const { return bytesWritten_; }
    std::int64_t bytesRead() const { return bytesRead_; }

private:
    void Flush();

    std::map<std::int16_t, std::string> devices_;
    std::int16_t commPort_ = 1;
    std::string settings_ = "9600,N,8,1";
    bool dtr_ = false;
    bool rts_ = false;
    int inBufferSize_ = 1024;
    int outBufferSize_ = 512;
    int fd_ = -1;
    Bytes rx_;
    Bytes tx_;
    std::function<void(CommEvent)> handler_;
    std::int64_t bytesWritten_ = 0;
    std::int64_t bytesRead_ = 0;
};

}  // namespace qs::bench
