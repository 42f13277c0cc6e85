#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/serial_port.h"
#include "platform/tick_source.h"
#include "safety/line_file.h"
#include "port/serial_port_decorator.h"

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
class TracingSerialPort : public SerialPortDecorator {
public:
    // Received bytes kept while a frame is open; a longer run is written out as it is.
    static constexpr std::size_t kMaxOpenFrameBytes = 1024;

    TracingSerialPort(ISerialPort& inner, const ITickSource& clock, ILineSink& sink);

    bool setPortOpen(bool open, std::string* error = nullptr) override;
    Bytes input() override;
    bool output(const Bytes& data) override;

private:
    void Received(const Bytes& bytes);
    void FlushOpenFrame(const char* what);
    void Write(const std::string& direction, const Bytes& bytes, const std::string& meaning);
    std::string Stamp() const;

    const ITickSource& clock_;
    ILineSink& sink_;
    std::int32_t startTick_;
    Bytes rx_;  // the open received frame, or noise before it
};

}  // namespace qs
