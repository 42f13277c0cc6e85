#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace qs::qt {

// Which device "COM n" means. A binding given on the command line wins; otherwise COMn on
// Windows and /dev/ttyUSB(n-1) elsewhere, where USB cloning cables appear.
class PortBindings {
public:
    void Bind(std::int16_t port, const std::string& device) { bound_[port] = device; }
    std::string DeviceFor(std::int16_t port) const;
    bool IsBound(std::int16_t port) const { return bound_.count(port) != 0; }

private:
    std::map<std::int16_t, std::string> bound_;
};

// What the port label's tooltip tells the technician: the device behind "COM n", whether it
// is the virtual radio, and why the port last closed by itself.
std::string DescribePort(const PortBindings& bindings, std::int16_t port, bool virtualRadio,
                         const std::string& lostReason);

// One "--port N=DEVICE" argument. N is 1..10, the ports the serial port service accepts.
struct PortBinding {
    std::int16_t port = 0;
    std::string device;
};
std::optional<PortBinding> ParsePortBinding(const std::string& text);

// Line format parsed from a settings text such as "9600,N,8,1".
enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };
struct LineSettings {
    std::int32_t baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
};
std::optional<LineSettings> ParseLineSettings(const std::string& text);

}  // namespace qs::qt
