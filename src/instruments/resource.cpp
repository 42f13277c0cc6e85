#include "instruments/resource.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace qs::instruments {

namespace {

constexpr std::array<std::int32_t, 13> kStandardBauds = {
    300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == Lower(prefix);
}

std::vector<std::string> SplitOnDoubleColon(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    // An IPv6 address in brackets keeps its own colons.
    while (true) {
        std::size_t search = at;
        if (at < text.size() && text[at] == '[') {
            const auto close = text.find(']', at);
            if (close != std::string::npos) search = close;
        }
        const auto next = text.find("::", search);
        if (next == std::string::npos) {
            parts.push_back(text.substr(at));
            return parts;
        }
        parts.push_back(text.substr(at, next - at));
        at = next + 2;
    }
}

template <typename Int>
bool ParseDecimal(const std::string& text, Int* value) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isdigit(c) != 0;
        })) {
        return false;
    }
    const auto end = text.data() + text.size();
    return std::from_chars(text.data(), end, *value).ptr == end;
}

bool ValidHost(const std::string& host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        const std::string inner = host.substr(1, host.size() - 2);
        return std::all_of(inner.begin(), inner.end(), [](unsigned char c) {
            return std::isxdigit(c) != 0 || c == ':' || c == '.' || c == '%';
        });
    }
    return !host.empty() && host.size() <= 253 &&
           std::all_of(host.begin(), host.end(), [](unsigned char c) {
               return std::isalnum(c) != 0 || c == '.' || c == '-' || c == '_';
           });
}

InstrumentError Bad(const std::string& text, const std::string& why) {
    return {Fault::BadAddress, "'" + text + "' is not an instrument address: " + why};
}

const char kForms[] =
    " (write TCPIP::HOST::PORT::SOCKET, USB::/dev/usbtmc0 or ASRL/dev/ttyUSB0::9600)";

Result<Resource> ParseTcpip(const std::string& text) {
    const std::vector<std::string> parts = SplitOnDoubleColon(text);
    const std::string board = parts[0].substr(5);
    if (!board.empty() && !std::all_of(board.begin(), board.end(),
                                       [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return Bad(text, "'" + parts[0] + "' is not TCPIP followed by a board number");
    }
    const std::string last = Lower(parts.back());
    if (last == "instr" || parts.size() == 2) {
        return Bad(text, "only raw SCPI sockets are supported; use the instrument's socket port, "
                         "as in TCPIP::HOST::5025::SOCKET");
    }
    if (last != "socket") return Bad(text, "a TCPIP address ends in ::SOCKET");
    if (parts.size() != 3 && parts.size() != 4) {
        return Bad(text, "write TCPIP::HOST::PORT::SOCKET or TCPIP::HOST::SOCKET");
    }
    const std::string host = Lower(parts[1]);
    if (!ValidHost(host)) return Bad(text, "'" + parts[1] + "' is not a host name or address");
    std::uint32_t port = kDefaultScpiPort;
    if (parts.size() == 4 && (!ParseDecimal(parts[2], &port) || port == 0 || port > 65535)) {
        return Bad(text, "the port must be a number from 1 to 65535, not '" + parts[2] + "'");
    }
    Resource resource;
    resource.endpoint.kind = StreamEndpoint::Kind::Tcp;
    resource.endpoint.host =
        host.front() == '[' ? host.substr(1, host.size() - 2) : host;  // sockets want it bare
    resource.endpoint.port = static_cast<std::uint16_t>(port);
    resource.canonical = "TCPIP::" + host + "::" + std::to_string(port) + "::SOCKET";
    return resource;
}

Result<Resource> UsbTmc(const std::string& text, const std::string& path) {
    if (path.empty() || path.front() != '/') {
        return Bad(text, "USB instruments are reached through their usbtmc device file, as in "
                         "USB::/dev/usbtmc0");
    }
    Resource resource;
    resource.endpoint.kind = StreamEndpoint::Kind::UsbTmc;
    resource.endpoint.device = path;
    resource.canonical = "USB::" + path;
    return resource;
}

Result<Resource> ParseAsrl(const std::string& text) {
    std::vector<std::string> parts = SplitOnDoubleColon(text.substr(4));
    if (parts.size() > 1 && Lower(parts.back()) == "instr") parts.pop_back();
    const std::string& device = parts[0];
    if (device.empty() || device.front() != '/') {
        return Bad(text, "a serial instrument is written ASRL followed by its device file, as in "
                         "ASRL/dev/ttyUSB1::9600");
    }
    if (parts.size() > 2) return Bad(text, "write ASRL/dev/DEVICE::BAUD");
    std::int32_t baud = 9600;
    if (parts.size() == 2) {
        const bool standard = ParseDecimal(parts[1], &baud) &&
                              std::find(kStandardBauds.begin(), kStandardBauds.end(), baud) !=
                                  kStandardBauds.end();
        if (!standard) {
            return Bad(text, "'" + parts[1] + "' is not a standard serial speed (1200 ... 921600)");
        }
    }
    Resource resource;
    resource.endpoint.kind = StreamEndpoint::Kind::Serial;
    resource.endpoint.device = device;
    resource.endpoint.baud = baud;
    resource.canonical = "ASRL" + device + "::" + std::to_string(baud);
    return resource;
}

}  // namespace

Result<Resource> ParseResource(const std::string& given) {
    const std::string text = Trim(given);
    if (text.empty()) return Bad(given, std::string("it is empty") + kForms);
    if (std::any_of(text.begin(), text.end(),
                    [](unsigned char c) { return c < 0x20 || c == 0x7F || c == ' '; })) {
        return Bad(text, "it holds blanks or control characters");
    }
    if (StartsWithNoCase(text, "TCPIP")) return ParseTcpip(text);
    if (StartsWithNoCase(text, "ASRL")) return ParseAsrl(text);
    if (StartsWithNoCase(text, "USB")) {
        std::vector<std::string> parts = SplitOnDoubleColon(text);
        if (parts.size() == 3 && Lower(parts.back()) == "instr") parts.pop_back();
        const std::string board = parts[0].substr(3);
        const bool boardOk = std::all_of(board.begin(), board.end(),
                                         [](unsigned char c) { return std::isdigit(c) != 0; });
        return UsbTmc(text, parts.size() == 2 && boardOk ? parts[1] : "");
    }
    if (text.rfind("/dev/usbtmc", 0) == 0) {
        std::uint32_t number = 0;
        if (ParseDecimal(text.substr(11), &number)) return UsbTmc(text, text);
        return Bad(text, "a bare device file must be /dev/usbtmcN; write USB::PATH for another");
    }
    return Bad(text, std::string("unknown kind") + kForms);
}

}  // namespace qs::instruments
