#pragma once

#include <cstdint>
#include <initializer_list>

#include "link/eeprom.h"

namespace qs::testing {

// Writes the bytes in order from `address` on.
inline void Put(clsCmcEeprom& image, std::int32_t address, std::initializer_list<int> bytes) {
    for (int b : bytes)
        image.WriteByte(address++, static_cast<std::uint8_t>(b));
}

inline void PutWord(clsCmcEeprom& image, std::int32_t address, int value) {
    Put(image, address, {(value >> 8) & 0xFF, value & 0xFF});
}

// A parameter table header at 290..295 with entries of `entrySize` bytes from `first` on.
inline void PutTableHeader(clsCmcEeprom& image, int entrySize, int lastIndex, int first) {
    PutWord(image, 290, entrySize);
    PutWord(image, 292, lastIndex);
    PutWord(image, 294, first);
}

inline void PutEntry(clsCmcEeprom& image, std::int32_t at, int objectNo, int size, int number,
                     int address) {
    PutWord(image, at, objectNo);
    PutWord(image, at + 2, size);
    PutWord(image, at + 4, number);
    PutWord(image, at + 6, address);
}

}  // namespace qs::testing
