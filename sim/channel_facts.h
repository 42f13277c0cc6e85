#pragma once

// A channel of the radio as its memory image holds it, found through the image's parameter
// table (header at 290: entry size, highest entry index, first entry; each entry: object,
// record size, record count, address, big-endian 16-bit). Object 2 holds the channel records
// (receive and transmit frequency in Hz, big-endian 32-bit), object 3 the power records.

#include <cstdint>
#include <optional>

#include "memory_image.h"

namespace qtsim {

enum class PowerLevel { High, Low2, Low1 };

struct ChannelFacts {
    std::optional<std::uint32_t> rxHz;  // none when inhibited or empty
    std::optional<std::uint32_t> txHz;
    PowerLevel power = PowerLevel::Low1;
};

// The channel in `slot` (0-based); nothing when the image has no such channel.
std::optional<ChannelFacts> channelFacts(const MemoryImage& image, int slot);

// Address of the adjustment item that sets the transmit power of a power level
// (POW HI 168, POW L2 167, POW L1 166).
int powerItemAddress(PowerLevel level);

}  // namespace qtsim
