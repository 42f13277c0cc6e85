#pragma once

#include <cstdint>

#include "link/eeprom.h"

namespace qs {

// The memory image describes its own layout in a parameter table: for each data object its
// object number, record size, record count and start address. These look an object up afresh
// on every call, so the answers follow the image as it is now.

// Object numbers this model uses.
inline constexpr std::int16_t kObjChannelRecords = 2;
inline constexpr std::int16_t kObjChannelPower = 3;

// Address of the last table entry carrying `objectNo`, or 0 when there is none. A table whose
// header does not fit 16 bits is treated as empty; entries past address 32767 are not read.
std::int16_t PtblSearch(const clsCmcEeprom& image, std::int16_t objectNo);
// Fields of the entry found by PtblSearch (read from bytes 2..7 of the image when none is
// found), each a big-endian 16-bit value.
std::int16_t ObjAddress(const clsCmcEeprom& image, std::int16_t objectNo);
std::int16_t ObjNumber(const clsCmcEeprom& image, std::int16_t objectNo);
std::int16_t ObjSize(const clsCmcEeprom& image, std::int16_t objectNo);

}  // namespace qs
