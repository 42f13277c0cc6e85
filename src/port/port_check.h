#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "port/serial_port_decorator.h"

namespace qs {

// What can be found out about why a serial device cannot be opened on Linux.
struct PortFacts {
    std::string device;  // e.g. "/dev/ttyUSB0"
    bool deviceExists = false;
    std::string deviceGroup;        // the group that owns the device; empty when unknown
    bool userInDeviceGroup = true;  // false only when known to be missing
    std::string userName;           // empty when unknown
    std::vector<std::string> grabbingServices;  // running services known to take adapters
};

// Looks at the device, the user's groups and the running processes (Linux only; elsewhere
// only `device` is filled in).
PortFacts GatherPortFacts(const std::string& device);

// The lines to print when a port cannot be opened: what was found, then what to check.
std::string PortCheckAdvice(const PortFacts& facts);

// The general checks, for --help.
std::string PortCheckHelpText();

// A serial port that, when an opening fails, reports the reason with the port check for the
// device behind the port (to the terminal, say). The same failure again is not repeated until
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
