#pragma once

#include <string>
#include <vector>

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

}  // namespace qs
