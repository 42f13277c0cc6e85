#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "safety/journal_file.h"

namespace qs {

class clsConsole;
class clsCmcEeprom;

// Turns the adjustment commands that go to the radio into journal entries: which item, the
// value it had before and the value sent. Also keeps the item values as they were loaded at
// Connect, for going back to them.
//
// The model loads the console from the image right after the clone read and before its first
// command (a reading), so the first command of a connection is the moment the loaded values
// are taken.
class AdjustmentRecorder {
public:
    AdjustmentRecorder(const clsConsole& console, const clsCmcEeprom& image);

    // A clone read has ended: the values of the previous connection no longer apply.
    void StartConnection();
    // For every command handed to the port. Readings (answer required) give no entry.
    std::optional<JournalEntry> Record(const std::string& e8Hex, bool answerRequired,
                                       const std::string& time);

    bool hasConnectValues() const { return hasConnectValues_; }
    // One value per console row, as loaded at Connect.
    const std::vector<std::int16_t>& connectValues() const { return connectValues_; }

private:
    void TakeConnectValues();

    const clsConsole& console_;
    const clsCmcEeprom& image_;
    bool connected_ = false;
    bool hasConnectValues_ = false;
    std::vector<std::int16_t> connectValues_;
    std::vector<std::int16_t> lastSent_;
};

}  // namespace qs
