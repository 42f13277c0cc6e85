#include "port/program_port.h"

#include <cstdio>
#include <utility>

namespace qs {

ProgramPort::ProgramPort(ISerialPort& port, PortCheckSerialPort::DeviceFor deviceFor,
                         const ITickSource& clock, LineFile& trace)
    : checked_(port, std::move(deviceFor), [](const std::string& text) {
          std::fputs(text.c_str(), stderr);
          std::fflush(stderr);
      }) {
    if (trace.isOpen()) traced_ = std::make_unique<TracingSerialPort>(checked_, clock, trace);
}

bool OpenTraceFile(LineFile& file, const std::string& path, const std::string& programName,
                   const IWallClock& wallClock, std::string& error) {
    if (file.Open(path, LineFile::Mode::Append, error) &&
        file.WriteLine(programName + " trace started " + DateTimeText(wallClock.Now()))) {
        return true;
    }
    if (error.empty()) error = file.writeError();
    return false;
}

}  // namespace qs
