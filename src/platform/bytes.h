#pragma once

#include <cstdint>
#include <vector>

namespace qs {

// Raw 8-bit values as they travel on the serial line (a "byte string").
using Bytes = std::vector<std::uint8_t>;

}  // namespace qs
