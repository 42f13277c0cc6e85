#pragma once

#include <cstdint>
#include <string>

namespace qs {

// The error state that the clone error message is chosen from.
struct CloneErrorState {
    bool errCannotOpen = false;   // the port could not be opened
    bool errOverflow = false;     // the receive buffer overflowed
    std::int16_t comPortNum = 1;  // the port that was being opened
    std::int16_t driverLastError = 0;
    std::int16_t sequenceError = 0;
};

// The message for the technician: a headline and a checklist of likely causes, lines
// joined by CR LF, no line break at the end. The first matching cause decides, port
// failures first, then the driver's code, then the sequence's. `portInUse`: who has the port
// when another program does ("/dev/ttyUSB0 is in use by qs71dr-cli (process 4121)").
std::string CloneErrorText(const CloneErrorState& state, const std::string& portInUse = {});

}  // namespace qs
