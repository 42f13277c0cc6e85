#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// The console items as a report or a procedure file names them, known without a radio:
// title without the leading blanks of the row (as the journal names them), the memory-image
// byte the value is loaded from at Connect, and the limits a value must keep.
struct RigK52TItemInfo {
    std::string title;           // e.g. "Power(Hi)"
    std::int32_t imageAddress;   // -1: not loaded from the image
    std::int16_t min = 0;
    // For the channel item the highest channel index any radio can have; a radio's own
    // count of channels is known only once its image is loaded.
    std::int16_t max = 255;
    bool sentToRadio = false;    // a changed value is sent to the radio at once
    bool channel = false;        // the test channel (its value indexes the radio's channels)
};

// In console order: the position of an item in the list is its console index.
std::vector<RigK52TItemInfo> RigK52TItemList();

// The console index of the item with this title (compared as ItemKey does), or -1.
std::int16_t FindRigK52TItem(std::string_view title);

}  // namespace qs
