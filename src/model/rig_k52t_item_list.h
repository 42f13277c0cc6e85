#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// The console items as a report lists them: title without the leading blanks of the row
// (as the journal names them) and the memory-image byte the value is loaded from at Connect.
struct RigK52TItemInfo {
    std::string title;           // e.g. "Power(Hi)"
    std::int32_t imageAddress;   // -1: not loaded from the image
};

// In console order.
std::vector<RigK52TItemInfo> RigK52TItemList();

}  // namespace qs
