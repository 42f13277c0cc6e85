#pragma once

// The adjustment commands (E8 frames) the radio understands: command byte, then the value as
// two ASCII hexadecimal digits. Settings are applied live and stored at their address.

#include <cstdint>
#include <optional>

namespace qtsim {

inline constexpr std::uint8_t kAdjustSelectChannel = 0x00;  // value = channel slot + 1
inline constexpr std::uint8_t kAdjustMode = 0x02;           // value 1 = adjustment mode on
inline constexpr std::uint8_t kAdjustReading = 0x03;        // value = reading code; answered
inline constexpr std::uint8_t kAdjustRxLva = 0x06;
inline constexpr std::uint8_t kAdjustTxLva = 0x07;

struct StoredSetting {
    std::uint8_t command;
    int address;
    const char* name;
};

// The setting a command stores, or nothing when the command stores no byte.
std::optional<StoredSetting> storedSetting(std::uint8_t command);

}  // namespace qtsim
