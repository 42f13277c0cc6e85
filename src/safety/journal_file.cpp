#include "safety/journal_file.h"

#include <array>
#include <fstream>

namespace qs {
namespace {

// Fields never hold tabs or line ends; anything like that from an item title is a blank.
std::string Clean(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

// A journal line is short; a longer one is not ours.
constexpr std::size_t kMaxLineBytes = 1024;

// The most a bench line's text and address take, well inside kMaxLineBytes together.
constexpr std::size_t kMaxBenchTextBytes = 600;
constexpr std::size_t kMaxBenchAddressBytes = 256;

// At most `bytes`, never cutting a UTF-8 sequence in two.
std::string Cut(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes - 3;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "...";
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

JournalEntry BenchLine(const BenchJournalEntry& entry) {
    return {entry.time, kBenchItemPrefix + entry.role, "-", Cut(entry.text, kMaxBenchTextBytes),
            Cut(entry.address, kMaxBenchAddressBytes)};
}

bool IsBenchLine(const JournalEntry& entry) {
    return StartsWith(entry.item, kBenchItemPrefix);
}

std::optional<BenchJournalEntry> BenchEntryOf(const JournalEntry& entry) {
    if (!IsBenchLine(entry)) return std::nullopt;
    BenchJournalEntry bench;
    bench.time = entry.time;
    bench.role = entry.item.substr(std::string(kBenchItemPrefix).size());
    bench.text = entry.newValue;
    bench.address = entry.command;
    bench.failed = !StartsWith(entry.newValue, kBenchIdentityWord) &&
                   entry.newValue.find(kBenchFailedMark) != std::string::npos;
    return bench;
}

std::string JournalLine(const JournalEntry& entry) {
    return Clean(entry.time) + "\t" + Clean(entry.item) + "\t" + Clean(entry.oldValue) + "\t" +
           Clean(entry.newValue) + "\t" + Clean(entry.command);
}

bool ParseJournalLine(const std::string& line, JournalEntry& entry) {
    if (line.size() > kMaxLineBytes || line == kJournalHeading) return false;
    std::array<std::string, 5> fields;
    std::size_t field = 0;
    for (char c : line) {
        if (c == '\t') {
            if (++field >= fields.size()) return false;
            continue;
        }
        if (c != '\r') fields[field] += c;
    }
    if (field != fields.size() - 1) return false;
    entry = {fields[0], fields[1], fields[2], fields[3], fields[4]};
    return true;
}

std::vector<JournalEntry> ReadJournalFile(const std::string& path) {
    std::vector<JournalEntry> entries;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        JournalEntry entry;
        if (ParseJournalLine(line, entry)) entries.push_back(entry);
    }
    return entries;
}

}  // namespace qs
