#pragma once

#include <memory>
#include <string>

#include "qtcore/process_lock.h"

namespace qs::qt {

// The lock a serial port holds on its device for as long as it has it open, so that two
// programs never work one cable, whichever programs they are. It is keyed by the device's
// canonical path: a link (/dev/serial/by-id/...) and the device it names are one cable.
class DeviceLock {
public:
    // True when the port may open `device`: it now holds the device's lock, or no lock file
    // can be made here and the system's own exclusive use has to do. False when another
    // process holds it, with `inUse` as "/dev/ttyUSB0 is in use by qs71dr-cli (process 4121)".
    bool Take(const std::string& device, std::string& inUse);
    void Release() { lock_.reset(); }

    static std::string CanonicalPath(const std::string& device);

private:
    std::unique_ptr<ProcessLock> lock_;
};

}  // namespace qs::qt
