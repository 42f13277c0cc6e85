#pragma once

#include <string>
#include <vector>

namespace qs {

// One adjustment command that went to the radio.
struct JournalEntry {
    std::string time;      // "2026-12-07 10:46:05", local time
    std::string item;      // the console item's title, or what the command sets
    std::string oldValue;  // "-" when not known
    std::string newValue;
    std::string command;  // the command text after model and sub code, e.g. "093832"

    bool operator==(const JournalEntry&) const = default;
};

// The journal is a tab-separated text file, one command a line under a heading line:
//
//   Time<TAB>Item<TAB>Old<TAB>New<TAB>Command
//   2026-12-07 10:46:05<TAB>Power(Hi)<TAB>128<TAB>130<TAB>093832
inline constexpr const char* kJournalExtension = ".journal.txt";
inline constexpr const char* kJournalHeading = "Time\tItem\tOld\tNew\tCommand";

std::string JournalLine(const JournalEntry& entry);
// False for the heading and for lines that are not five fields.
bool ParseJournalLine(const std::string& line, JournalEntry& entry);
// Every entry of a journal file; lines that do not parse are skipped.
std::vector<JournalEntry> ReadJournalFile(const std::string& path);

}  // namespace qs
