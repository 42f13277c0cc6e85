#include "port/port_check.h"

#include <utility>

namespace qs {

PortCheckSerialPort::PortCheckSerialPort(ISerialPort& inner, DeviceFor deviceFor, Report report,
                                         Gather gather)
    : SerialPortDecorator(inner),
      deviceFor_(std::move(deviceFor)),
      report_(std::move(report)),
      gather_(std::move(gather)) {}

bool PortCheckSerialPort::setPortOpen(bool open, std::string* error) {
    std::string reason;
    const bool ok = inner().setPortOpen(open, &reason);
    if (error != nullptr) *error = reason;
    if (!open) return ok;
    if (ok) {
        lastReported_.clear();
        return ok;
    }
    const std::string device = deviceFor_ ? deviceFor_(commPort()) : std::string();
    const std::string key = device + "\n" + reason;
    if (key == lastReported_) return ok;
    lastReported_ = key;
    const std::string head = "COM " + std::to_string(commPort()) +
                             (device.empty() ? "" : " (" + device + ")") + " cannot be opened" +
                             (reason.empty() ? "." : ": " + reason) + "\n";
    // Another program has the device: who it is says what to do; the checks of a device
    // that is missing or forbidden do not apply.
    if (!inner().inUseBy().empty()) {
        if (report_) report_(head);
        return ok;
    }
    PortFacts facts;
    if (gather_) {
        facts = gather_(device);
    } else {
        facts.device = device;
        facts.deviceExists = true;
    }
    if (report_) report_(head + PortCheckAdvice(facts));
    return ok;
}

}  // namespace qs
