#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "port/port_advice.h"
#include "port/port_facts.h"
#include "port/serial_port_decorator.h"

namespace qs {

// A serial port that, when an opening fails, reports the reason with the port check for the
// device behind the port (to the terminal, say); the reason alone when another program has
// the device. The same failure again is not repeated until
// the port opened or failed otherwise in between. Nothing changes for the program itself.
class PortCheckSerialPort : public SerialPortDecorator {
public:
    using DeviceFor = std::function<std::string(std::int16_t port)>;
    using Report = std::function<void(const std::string& text)>;
    using Gather = std::function<PortFacts(const std::string& device)>;

    PortCheckSerialPort(ISerialPort& inner, DeviceFor deviceFor, Report report,
                        Gather gather = GatherPortFacts);

    bool setPortOpen(bool open, std::string* error = nullptr) override;

private:
    DeviceFor deviceFor_;
    Report report_;
    Gather gather_;
    std::string lastReported_;
};

}  // namespace qs
