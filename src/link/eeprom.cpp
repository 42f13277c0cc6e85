#include "link/eeprom.h"

#include <algorithm>

namespace qs {

namespace {
constexpr std::int16_t kDone = 0;
constexpr std::int16_t kRefused = 1;
constexpr std::int16_t kHighestBitNo = 7;
}  // namespace

clsCmcEeprom::clsCmcEeprom() : bytes_(kImageSizeBytes, 0) {}

std::uint8_t clsCmcEeprom::ReadByte(std::int32_t address) const {
    if (!isValid(address)) return 0;
    return bytes_[static_cast<std::size_t>(address)];
}

std::int16_t clsCmcEeprom::WriteByte(std::int32_t address, std::uint8_t data) {
    if (!isValid(address)) return kRefused;
    bytes_[static_cast<std::size_t>(address)] = data;
    if (byteWritten_) byteWritten_(address, data);
    return kDone;
}

bool clsCmcEeprom::ReadBit(std::int32_t address, std::int16_t bitNo) const {
    if (bitNo < 0 || bitNo > kHighestBitNo) return false;
    return (ReadByte(address) >> bitNo) & 1U;
}

std::int16_t clsCmcEeprom::WriteBlock(std::int32_t address, const Bytes& data) {
    // An empty block has no last address; there is nothing to store, so it is refused
    // rather than reported as stored.
    if (data.empty()) return kRefused;
    const std::int64_t last =
        static_cast<std::int64_t>(address) + static_cast<std::int64_t>(data.size()) - 1;
    if (!isValid(address) || !isValid(last)) return kRefused;
    std::copy(data.begin(), data.end(), bytes_.begin() + address);
    return kDone;
}

}  // namespace qs
