#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/serial_port.h"
#include "platform/tick_source.h"
#include "safety/line_file.h"

namespace qs {

// A serial port that passes everything through to the real one and writes every frame, in
// both directions, to a trace:
//
//   [     120 ms] TX FE FE EE EF E0 30 17 00 00 FD | E0 identification request, model 3017
//   [     135 ms] RX FE FE EE EF E0 30 17 00 00 FD | echo: E0 identification request, ...
//   [     190 ms] RX FE FE EF EE E1 30 17 01 02 ... | E1 identification answer, ...
//
// Times are milliseconds since the trace began. TX is each write; received bytes are cut
// into frames (FE FE ... FD) as they arrive, bytes outside a frame are written as "RX noise",
// and a frame still open when the port closes as "RX cut off". Port opening and closing are
// noted too. Only built when tracing is asked for, so a normal start pays nothing.
class TracingSerialPort : public ISerialPort {
public:
    // Received bytes kept while a frame is open; a longer run is written out as it is.
    static constexpr std::size_t kMaxOpenFrameBytes = 1024;

    TracingSerialPort(ISerialPort& inner, const ITickSource& clock, ILineSink& sink);

    void setCommPort(std::int16_t port) override { inner_.setCommPort(port); }
    std::int16_t commPort() const override { return inner_.commPort(); }
    void setSettings(const std::string& settings) override { inner_.setSettings(settings); }
    std::string settings() const override { return inner_.settings(); }
    void setDtrEnable(bool on) override { inner_.setDtrEnable(on); }
    void setRtsEnable(bool on) override { inner_.setRtsEnable(on); }
    void setInBufferSize(int bytes) override { inner_.setInBufferSize(bytes); }
    void setOutBufferSize(int bytes) override { inner_.setOutBufferSize(bytes); }
    int outBufferSize() const override { return inner_.outBufferSize(); }
    bool setPortOpen(bool open, std::string* error = nullptr) override;
    bool portOpen() const override { return inner_.portOpen(); }
    int inBufferCount() const override { return inner_.inBufferCount(); }
    Bytes input() override;
    bool output(const Bytes& data) override;
    int outBufferCount() const override { return inner_.outBufferCount(); }
    bool clearOutBuffer() override { return inner_.clearOutBuffer(); }
    void setEventHandler(std::function<void(CommEvent)> handler) override;

private:
    void Received(const Bytes& bytes);
    void FlushOpenFrame(const char* what);
    void Write(const std::string& direction, const Bytes& bytes, const std::string& meaning);
    std::string Stamp() const;

    ISerialPort& inner_;
    const ITickSource& clock_;
    ILineSink& sink_;
    std::int32_t startTick_;
    Bytes rx_;  // the open received frame, or noise before it
};

}  // namespace qs
