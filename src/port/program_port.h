#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/serial_port.h"
#include "platform/tick_source.h"
#include "safety/line_file.h"
#include "port/port_check.h"
#include "port/serial_trace.h"
#include "safety/wall_clock.h"

namespace qs {

// The serial port as a front end hands it to the core: a port that cannot be opened also
// gets the port check on standard error, and with a trace file every frame goes there.
// Neither changes what the program does on the line.
class ProgramPort {
public:
    // Frames are traced when `trace` is open.
    ProgramPort(ISerialPort& port, PortCheckSerialPort::DeviceFor deviceFor,
                const ITickSource& clock, LineFile& trace);
    ProgramPort(const ProgramPort&) = delete;
    ProgramPort& operator=(const ProgramPort&) = delete;

    ISerialPort& port() { return traced_ ? static_cast<ISerialPort&>(*traced_) : checked_; }

private:
    PortCheckSerialPort checked_;
    std::unique_ptr<TracingSerialPort> traced_;
};

// Opens FILE of --trace for appending and writes its first line, so that a bad name stops
// the program before anything starts. False with `error` when it cannot.
bool OpenTraceFile(LineFile& file, const std::string& path, const std::string& programName,
                   const IWallClock& wallClock, std::string& error);

}  // namespace qs
