#include "cli/item_settings.h"

#include "console/console.h"
#include "console/item_title.h"

namespace qs::cli {

std::int16_t FindItem(const clsConsole& console, const std::string& title) {
    const std::string key = ItemKey(title);
    for (std::int16_t i = 0; i < console.ListCount(); ++i) {
        if (ItemKey(console.Title(i)) == key) return i;
    }
    return -1;
}

SettingsCheck CheckSettings(const clsConsole& console, const std::vector<ItemSetting>& settings,
                            std::int16_t channelItem, bool limitsKnown) {
    SettingsCheck check;
    for (const ItemSetting& s : settings) {
        const std::int16_t i = FindItem(console, s.title);
        if (i < 0) {
            std::string names;
            for (std::int16_t k = 0; k < console.ListCount(); ++k) {
                if (k > 0) names += ", ";
                names += ItemTitleWithoutBlanks(console.Title(k));
            }
            check.error = "set: no item is called '" + s.title + "' (the items: " + names + ")";
            return check;
        }
        const std::string name = ItemTitleWithoutBlanks(console.Title(i));
        if (console.E8Command(i) < 0 && console.Event_SendE8(i) < 0) {
            check.error = "set: " + name + " is not sent to the radio; its automatic operation sets it";
            return check;
        }
        const bool upperKnown = limitsKnown || i != channelItem;
        if (s.value < console.Min(i) || (upperKnown && s.value > console.Max(i))) {
            check.error = "set: " + name + "=" + std::to_string(s.value) + " is outside its limits " +
                          std::to_string(console.Min(i)) + " to " + std::to_string(console.Max(i));
            return check;
        }
        check.settings.push_back({i, s.value});
    }
    return check;
}

}  // namespace qs::cli
