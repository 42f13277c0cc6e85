#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/serial_port.h"

namespace qs {

// A serial port that hands every call on to another one; decorators override what they
// watch and leave the rest.
class SerialPortDecorator : public ISerialPort {
public:
    explicit SerialPortDecorator(ISerialPort& inner) : inner_(inner) {}

    void setCommPort(std::int16_t port) override { inner_.setCommPort(port); }
    std::int16_t commPort() const override { return inner_.commPort(); }
    void setSettings(const std::string& settings) override { inner_.setSettings(settings); }
    std::string settings() const override { return inner_.settings(); }
    void setDtrEnable(bool on) override { inner_.setDtrEnable(on); }
    void setRtsEnable(bool on) override { inner_.setRtsEnable(on); }
    void setInBufferSize(int bytes) override { inner_.setInBufferSize(bytes); }
    void setOutBufferSize(int bytes) override { inner_.setOutBufferSize(bytes); }
    int outBufferSize() const override { return inner_.outBufferSize(); }
    bool setPortOpen(bool open, std::string* error = nullptr) override {
        return inner_.setPortOpen(open, error);
    }
    bool portOpen() const override { return inner_.portOpen(); }
    std::string inUseBy() const override { return inner_.inUseBy(); }
    int inBufferCount() const override { return inner_.inBufferCount(); }
    Bytes input() override { return inner_.input(); }
    bool output(const Bytes& data) override { return inner_.output(data); }
    int outBufferCount() const override { return inner_.outBufferCount(); }
    bool clearOutBuffer() override { return inner_.clearOutBuffer(); }
    void setEventHandler(std::function<void(CommEvent)> handler) override {
        inner_.setEventHandler(std::move(handler));
    }

protected:
    ISerialPort& inner() { return inner_; }
    const ISerialPort& inner() const { return inner_; }

private:
    ISerialPort& inner_;
};

}  // namespace qs
