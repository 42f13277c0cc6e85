#include "adjust_commands.h"

namespace qtsim {

namespace {

// The console items' commands, the three balance mirrors (10, 12, 1B) and the two
// signal-strength thresholds (15, 16).
constexpr StoredSetting kSettings[] = {
    {0x05, 173, "REF"},       {0x06, 92, "RX LVA"},      {0x07, 93, "TX LVA"},
    {0x08, 184, "SQL"},       {0x09, 168, "POW HI"},     {0x0A, 167, "POW L2"},
    {0x0B, 166, "POW L1"},    {0x0D, 105, "MOD"},        {0x0F, 83, "CTCS/DTCS"},
    {0x10, 99, "BAL mirror"}, {0x11, 106, "BAL"},        {0x12, 113, "BAL mirror"},
    {0x13, 84, "BPF T1"},     {0x14, 85, "BPF T2"},      {0x15, 169, "RSSI S1"},
    {0x16, 170, "RSSI S3"},   {0x1B, 120, "BAL mirror"},
};

}  // namespace

std::optional<StoredSetting> storedSetting(std::uint8_t command) {
    for (const StoredSetting& setting : kSettings) {
        if (setting.command == command) return setting;
    }
    return std::nullopt;
}

}  // namespace qtsim
