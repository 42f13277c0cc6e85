#include "qtcore/port_bindings.h"

#include <cctype>
#include <charconv>
#include <vector>

namespace qs::qt {

namespace {

constexpr std::int16_t kFirstPort = 1;
constexpr std::int16_t kLastPort = 10;
constexpr std::int32_t kMinBaud = 50;
constexpr std::int32_t kMaxBaud = 4000000;

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

// Whole text as a decimal number, nothing else accepted.
template <typename T>
std::optional<T> ParseNumber(const std::string& text) {
    T value{};
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin == end) return std::nullopt;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
    return value;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(Trim(text.substr(start, comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

}  // namespace

std::string PortBindings::DeviceFor(std::int16_t port) const {
    const auto it = bound_.find(port);
    if (it != bound_.end()) return it->second;
#ifdef _WIN32
    return "COM" + std::to_string(port);
#else
    return "/dev/ttyUSB" + std::to_string(port - 1);
#endif
}

std::string DescribePort(const PortBindings& bindings, std::int16_t port, bool virtualRadio,
                         const std::string& lostReason) {
    std::string text = "COM " + std::to_string(port) + " = " + bindings.DeviceFor(port);
    if (virtualRadio) text += " (virtual radio)";
    if (!lostReason.empty()) text += "\nLast lost: " + lostReason;
    return text;
}

std::optional<PortBinding> ParsePortBinding(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const auto port = ParseNumber<int>(Trim(text.substr(0, equals)));
    if (!port || *port < kFirstPort || *port > kLastPort) return std::nullopt;
    const std::string device = text.substr(equals + 1);
    if (device.empty() || device.find('\0') != std::string::npos) return std::nullopt;
    return PortBinding{static_cast<std::int16_t>(*port), device};
}

std::optional<LineSettings> ParseLineSettings(const std::string& text) {
    const std::vector<std::string> parts = SplitCommas(text);
    if (parts.size() != 4) return std::nullopt;
    LineSettings settings;

    const auto baud = ParseNumber<std::int32_t>(parts[0]);
    if (!baud || *baud < kMinBaud || *baud > kMaxBaud) return std::nullopt;
    settings.baud = *baud;

    if (parts[1].size() != 1) return std::nullopt;
    switch (std::toupper(static_cast<unsigned char>(parts[1][0]))) {
        case 'N':
            settings.parity = Parity::None;
            break;
        case 'E':
            settings.parity = Parity::Even;
            break;
        case 'O':
            settings.parity = Parity::Odd;
            break;
        case 'M':
            settings.parity = Parity::Mark;
            break;
        case 'S':
            settings.parity = Parity::Space;
            break;
        default:
            return std::nullopt;
    }

    const auto dataBits = ParseNumber<int>(parts[2]);
    if (!dataBits || *dataBits < 5 || *dataBits > 8) return std::nullopt;
    settings.dataBits = *dataBits;

    if (parts[3] == "1") {
        settings.stopBits = StopBits::One;
    } else if (parts[3] == "1.5") {
        settings.stopBits = StopBits::OneAndHalf;
    } else if (parts[3] == "2") {
        settings.stopBits = StopBits::Two;
    } else {
        return std::nullopt;
    }
    return settings;
}

}  // namespace qs::qt
