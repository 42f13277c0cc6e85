#pragma once

// The serial port both front ends use: the POSIX port where there is one, QtSerialPort
// elsewhere (Windows). Both take the port bindings and tell the device and why it was lost.
#if defined(_WIN32)
#include "qtcore/qt_serial_port.h"
namespace qs::qt {
using ProgramSerialPort = QtSerialPort;
}
#else
#include "qtcore/posix_serial_port.h"
namespace qs::qt {
using ProgramSerialPort = PosixSerialPort;
}
#endif
