#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "qtcore/port_bindings.h"

namespace qs::qt {

// Opens a serial device for this program alone: non-blocking, never as the controlling
// terminal, raw in the format of `line` (no flow control, a read returns what has come). The
// device is taken exclusively (TIOCEXCL, so the kernel refuses other openings) and locked with
// flock, which other instances and flock-minded terminal programs honour; a device whose
// UUCP lock file names a running process (minicom, cu, QtSerialPort programs) is refused, as
// those programs do not see the other two. Returns the descriptor, or -1 with `error`; when
// another program has the device, `inUse` (if given) names it: "/dev/ttyUSB0 is in use by
// minicom (process 4121)", or "... by another program" when the system does not say which.
int OpenTerminal(const std::string& device, const std::string& settingsText,
                 const LineSettings& line, std::string& error, std::string* inUse = nullptr);

// Gives the device up: discards what has not left yet (so closing never waits for the line),
// lifts the exclusive use and closes it; the lock goes with the descriptor.
void CloseTerminal(int fd);

// Sets or clears one modem line (TIOCM_DTR, TIOCM_RTS). A pseudo-terminal has none; the
// refusal then is no fault of the port.
void SetModemLine(int fd, int line, bool on);

// Bytes the driver has lost on receiving since it was loaded (its overrun counters, as
// TIOCGICOUNT gives them); none when the driver keeps no such count, as a pseudo-terminal.
std::optional<std::int64_t> LostByteCount(int fd);

// The live UUCP lock of `device` other than this process's: its process id, or 0.
long UucpLockHolder(const std::string& device);

}  // namespace qs::qt
