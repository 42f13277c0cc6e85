#include "model/param_table.h"

namespace qs {
namespace {

constexpr std::int32_t kEntrySizeAdr = 290;
constexpr std::int32_t kLastIndexAdr = 292;
constexpr std::int32_t kFirstEntryAdr = 294;

constexpr std::int32_t kSizeOffset = 2;
constexpr std::int32_t kNumberOffset = 4;
constexpr std::int32_t kAddressOffset = 6;

constexpr std::int32_t kLargest16Bit = 32767;

std::int32_t ReadWord(const clsCmcEeprom& image, std::int32_t address) {
    return image.ReadByte(address) * 256 + image.ReadByte(address + 1);
}

std::int16_t ReadField(const clsCmcEeprom& image, std::int16_t objectNo, std::int32_t offset) {
    std::int32_t entry = PtblSearch(image, objectNo);
    return static_cast<std::int16_t>(ReadWord(image, entry + offset));
}

}  // namespace

std::int16_t PtblSearch(const clsCmcEeprom& image, std::int16_t objectNo) {
    std::int32_t first = ReadWord(image, kFirstEntryAdr);
    std::int32_t lastIndex = ReadWord(image, kLastIndexAdr);
    std::int32_t entrySize = ReadWord(image, kEntrySizeAdr);
    if (first > kLargest16Bit || lastIndex > kLargest16Bit || entrySize > kLargest16Bit) return 0;

    std::int32_t result = 0;
    std::int32_t address = first;
    for (std::int32_t i = 0; i <= lastIndex; ++i) {
        if (address > kLargest16Bit) break;
        if (ReadWord(image, address) == static_cast<std::uint16_t>(objectNo)) result = address;
        address += entrySize;
    }
    return static_cast<std::int16_t>(result);
}

std::int16_t ObjAddress(const clsCmcEeprom& image, std::int16_t objectNo) {
    return ReadField(image, objectNo, kAddressOffset);
}

std::int16_t ObjNumber(const clsCmcEeprom& image, std::int16_t objectNo) {
    return ReadField(image, objectNo, kNumberOffset);
}

std::int16_t ObjSize(const clsCmcEeprom& image, std::int16_t objectNo) {
    return ReadField(image, objectNo, kSizeOffset);
}

}  // namespace qs
