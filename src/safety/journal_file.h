#pragma once

#include <optional>
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

// Lines of the bench instruments share the journal in the same five columns, so that every
// reader of the file keeps its columns: Item is "bench " and the role, Old is "-", New says
// what was set, read or identified (or that it FAILED, and why), Command holds the
// instrument's address:
//
//   2026-12-07 10:47:12<TAB>bench generator<TAB>-<TAB>level -47 dBm<TAB>TCPIP::10.0.0.5::5025::SOCKET
//   2026-12-07 10:47:15<TAB>bench power_meter<TAB>-<TAB>power 4.921 W<TAB>TCPIP::10.0.0.5::5025::SOCKET
//   2026-12-07 10:47:19<TAB>bench power_meter<TAB>-<TAB>power FAILED: TCPIP::...: no answer ...<TAB>TCPIP::...
//   2026-12-07 10:47:11<TAB>bench generator<TAB>-<TAB>identity Bench Works,SM-1,0001,1.0<TAB>TCPIP::...
//
// No adjustment item's title starts with "bench ", so nothing that goes by item titles (the
// report's table of items, going back to values) takes such a line for an adjustment.
inline constexpr const char* kBenchItemPrefix = "bench ";
inline constexpr const char* kBenchFailedMark = " FAILED: ";
inline constexpr const char* kBenchIdentityWord = "identity ";

struct BenchJournalEntry {
    std::string time;
    std::string role;     // "generator", "power_meter", ...
    std::string text;     // "level -47 dBm", "power FAILED: ...", "identity ..."
    std::string address;  // the instrument's address
    bool failed = false;
    bool operator==(const BenchJournalEntry&) const = default;
};

// The journal line's entry; texts are cut so that the line stays one a reader takes.
JournalEntry BenchLine(const BenchJournalEntry& entry);
bool IsBenchLine(const JournalEntry& entry);
// The bench entry of a line, nothing for an adjustment's.
std::optional<BenchJournalEntry> BenchEntryOf(const JournalEntry& entry);

std::string JournalLine(const JournalEntry& entry);
// False for the heading and for lines that are not five fields.
bool ParseJournalLine(const std::string& line, JournalEntry& entry);
// Every entry of a journal file; lines that do not parse are skipped.
std::vector<JournalEntry> ReadJournalFile(const std::string& path);

}  // namespace qs
