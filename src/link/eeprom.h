#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/bytes.h"

namespace qs {

// The memory image: a byte-for-byte mirror of the radio's EEPROM. Reads outside the image
// give 0 and writes outside it are refused, so a bad address from the cable can never touch
// memory the image does not own.
class clsCmcEeprom {
public:
    static constexpr std::int32_t kImageSizeBytes = 32112;

    clsCmcEeprom();

    std::int32_t eeSize() const { return kImageSizeBytes; }

    // The byte at `address`, or 0 when the address is outside the image.
    std::uint8_t ReadByte(std::int32_t address) const;
    // 0 after storing; 1 and no change when the address is outside the image.
    std::int16_t WriteByte(std::int32_t address, std::uint8_t data);
    // Bit `bitNo` (0-7) of the byte; false outside the image or for a bit number beyond 7.
    bool ReadBit(std::int32_t address, std::int16_t bitNo) const;
    // Copies `data` to address, address + 1, ...; 1 and no change when any part of the
    // range is outside the image.
    std::int16_t WriteBlock(std::int32_t address, const Bytes& data);

    // Told of every byte stored by WriteByte: the program writes single bytes only for values
    // it sends to the radio (a clone read stores whole blocks). Null for nobody.
    void setByteWritten(std::function<void(std::int32_t address, std::uint8_t data)> observer) {
        byteWritten_ = std::move(observer);
    }

private:
    bool isValid(std::int64_t address) const { return address >= 0 && address < kImageSizeBytes; }

    std::vector<std::uint8_t> bytes_;
    std::function<void(std::int32_t, std::uint8_t)> byteWritten_;
};

}  // namespace qs
