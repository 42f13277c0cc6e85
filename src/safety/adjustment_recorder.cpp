#include "safety/adjustment_recorder.h"

#include <array>

#include "console/console.h"
#include "link/eeprom.h"
#include "link/hex_text.h"

namespace qs {
namespace {

// Commands the model sends for settings that are not console rows, with the image byte
// they set (so the old value can be read just before the model stores the new one).
struct ExtraCommand {
    std::int16_t command;
    const char* item;
    std::int32_t address;  // -1: not kept in the image
};

constexpr std::array<ExtraCommand, 6> kExtraCommands{{
    {0x02, "Adjustment mode", -1},
    {0x12, "BAL mirror 113", 113},
    {0x10, "BAL mirror 99", 99},
    {0x1B, "BAL mirror 120", 120},
    {0x15, "RSSI S1 Level", 169},
    {0x16, "RSSI S3 Level", 170},
}};

// Command byte and value of a command text such as "093832"; false when it is not one.
bool Decode(const std::string& e8Hex, std::int16_t& command, std::int16_t& value) {
    const Bytes bytes = HexTextToBytes(e8Hex);
    if (bytes.size() != 3) return false;
    if (HexDigitValue(bytes[1]) < 0 || HexDigitValue(bytes[2]) < 0) {
        return false;
    }
    command = bytes[0];
    value = AsciiHexToInt(Bytes{bytes[1], bytes[2]});
    return true;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

AdjustmentRecorder::AdjustmentRecorder(const clsConsole& console, const clsCmcEeprom& image)
    : console_(console), image_(image) {}

void AdjustmentRecorder::StartConnection() {
    connected_ = true;
    hasConnectValues_ = false;
    connectValues_.clear();
    lastSent_.clear();
}

void AdjustmentRecorder::TakeConnectValues() {
    connectValues_.clear();
    for (std::int16_t i = 0; i < console_.ListCount(); ++i)
        connectValues_.push_back(console_.Value(i));
    lastSent_ = connectValues_;
    hasConnectValues_ = true;
}

std::optional<JournalEntry> AdjustmentRecorder::Record(const std::string& e8Hex,
                                                       bool answerRequired,
                                                       const std::string& time) {
    if (connected_ && !hasConnectValues_) TakeConnectValues();
    if (answerRequired) return std::nullopt;

    JournalEntry entry;
    entry.time = time;
    entry.command = e8Hex;
    std::int16_t command = 0;
    std::int16_t value = 0;
    if (!Decode(e8Hex, command, value)) {
        entry.item = "Command";
        entry.oldValue = "-";
        entry.newValue = "-";
        return entry;
    }

    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        if (console_.E8Command(i) != command) continue;
        const auto row = static_cast<std::size_t>(i);
        entry.item = Trimmed(console_.Title(i));
        entry.newValue = std::to_string(console_.Value(i));
        entry.oldValue = row < lastSent_.size() ? std::to_string(lastSent_[row]) : "-";
        if (row < lastSent_.size()) lastSent_[row] = console_.Value(i);
        return entry;
    }

    entry.newValue = std::to_string(value);
    entry.oldValue = "-";
    entry.item = "Command " + ByteToHex2(command);
    for (const ExtraCommand& extra : kExtraCommands) {
        if (extra.command != command) continue;
        entry.item = extra.item;
        if (extra.address >= 0) entry.oldValue = std::to_string(image_.ReadByte(extra.address));
        break;
    }
    return entry;
}

}  // namespace qs
