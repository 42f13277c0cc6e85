#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace qs {
class clsConsole;
}

namespace qs::cli {

struct ResolvedSetting {
    std::int16_t item = 0;  // console index
    std::int16_t value = 0;
};

struct SettingsCheck {
    std::vector<ResolvedSetting> settings;
    std::string error;  // empty when every setting may be sent
};

// Finds each setting's item by title and checks its value against the item's limits. Items
// whose value never goes to the radio on its own are refused. `limitsKnown` false skips the
// upper limit of `channelItem`, which is known only once the radio's channels are loaded.
SettingsCheck CheckSettings(const clsConsole& console, const std::vector<ItemSetting>& settings,
                            std::int16_t channelItem, bool limitsKnown);

// The item with this title (see ItemKey), or -1.
std::int16_t FindItem(const clsConsole& console, const std::string& title);

}  // namespace qs::cli
