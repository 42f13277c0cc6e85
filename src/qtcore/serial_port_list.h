#pragma once

#include <string>

namespace qs::qt {

// The serial devices the system knows, one a line, for --list-ports:
//
//   /dev/ttyUSB0  FT232R USB UART  (FTDI, USB 0403:6001, serial A50285BI)
//
// or a line saying that none was found. Needs no running application object.
std::string SerialPortListText();

}  // namespace qs::qt
