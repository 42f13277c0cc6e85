#pragma once

// Instrument addresses written as VISA resource strings, as technicians know them from their
// instrument software. Keywords are taken in any case; host names are kept in lower case.
//
//   TCPIP::HOST::PORT::SOCKET     raw SCPI over TCP (also TCPIP0::, TCPIP1:: ...)
//   TCPIP::HOST::SOCKET           the same on port 5025
//   USB::/dev/usbtmc0             a USBTMC device file (any absolute path after USB::, so a
//   /dev/usbtmc0                  udev link works too; bare, only /dev/usbtmcN)
//   ASRL/dev/ttyUSB1::BAUD        a serial line at a standard speed (a trailing ::INSTR is
//   ASRL/dev/ttyUSB1              allowed); without BAUD 9600 bit/s
//
// HOST is a name, an IPv4 address or an IPv6 address in brackets ([fe80::1]). VXI-11
// (::INSTR over TCP) and USB addresses by vendor and product ids are refused with a hint.

#include <cstdint>
#include <string>

#include "instruments/result.h"
#include "platform/byte_stream.h"

namespace qs::instruments {

inline constexpr std::uint16_t kDefaultScpiPort = 5025;

struct Resource {
    StreamEndpoint endpoint;
    // The address in one spelling (TCPIP::host::5025::SOCKET, USB::/dev/usbtmc0,
    // ASRL/dev/ttyUSB1::9600), so two spellings of one instrument compare equal.
    std::string canonical;
};

Result<Resource> ParseResource(const std::string& text);

}  // namespace qs::instruments
