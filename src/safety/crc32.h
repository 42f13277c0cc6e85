#pragma once

#include <cstdint>

#include "platform/bytes.h"

namespace qs {

// The common CRC-32 (reflected polynomial 0xEDB88320, initial and final value 0xFFFFFFFF),
// the one zip and most checksum tools print, so a maintainer can check a backup by hand.
std::uint32_t Crc32(const Bytes& data);

}  // namespace qs
