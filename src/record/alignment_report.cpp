#include "record/alignment_report.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "instruments/roles.h"
#include "link/hex_text.h"
#include "model/reading_text.h"
#include "model/rig_k52t_item_list.h"
#include "record/curves_file.h"
#include "record/run_record_file.h"
#include "safety/crc32.h"

namespace qs {
namespace {

// Settings the journal names that are not console rows but belong in the table.
struct ExtraRow {
    const char* item;
    std::int32_t address;
};
constexpr ExtraRow kExtraRows[] = {{"RSSI S3 Level", 170}, {"RSSI S1 Level", 169}};

// Console rows that are actions, not values.
bool IsActionRow(const std::string& title) {
    return title == "BPF ALL" || title == "RSSI";
}

std::string Hex8(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", value);
    return buf;
}

std::optional<std::string> LastNewValue(const std::vector<JournalEntry>& journal,
                                        const std::string& item) {
    for (auto it = journal.rbegin(); it != journal.rend(); ++it) {
        if (it->item == item) return it->newValue;
    }
    return std::nullopt;
}

// The journal's first old value of an item is the console's value at Connect.
std::string FirstOldValue(const std::vector<JournalEntry>& journal, const std::string& item) {
    for (const JournalEntry& e : journal) {
        if (e.item == item) return e.oldValue;
    }
    return "-";
}

bool InJournal(const std::vector<JournalEntry>& journal, const std::string& item) {
    return LastNewValue(journal, item).has_value();
}

ReportItemRow ItemRow(const std::string& item, std::int32_t address,
                      const std::vector<std::pair<std::string, std::string>>& connectValues,
                      const std::vector<JournalEntry>& journal) {
    ReportItemRow row;
    row.item = item;
    row.atConnect = FirstOldValue(journal, item);
    if (address >= 0) {
        for (const auto& [name, value] : connectValues) {
            if (name != item) continue;
            row.atConnect = value;
            break;
        }
    }
    row.atEnd = LastNewValue(journal, item).value_or(row.atConnect);
    row.changed = row.atEnd != row.atConnect;
    return row;
}

std::string Seconds(std::int32_t ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d", ms / 60000, (ms / 1000) % 60);
    return buf;
}

// Each instrument once, in the order it first appears, with its identity where the journal has
// one.
// An instrument's identity goes with its address, whichever role it was written for.
std::vector<ReportInstrument> InstrumentsOf(const std::vector<BenchJournalEntry>& bench) {
    const std::string identityWord = kBenchIdentityWord;
    std::map<std::string, std::string> identities;
    for (const BenchJournalEntry& e : bench) {
        if (!e.failed && e.text.compare(0, identityWord.size(), identityWord) == 0) {
            identities[e.address] = e.text.substr(identityWord.size());
        }
    }
    std::vector<ReportInstrument> instruments;
    for (const BenchJournalEntry& e : bench) {
        const std::string role = BenchRoleTitle(e.role);
        const bool listed = std::any_of(instruments.begin(), instruments.end(), [&](const auto& i) {
            return i.role == role && i.address == e.address;
        });
        if (listed) continue;
        const auto identity = identities.find(e.address);
        instruments.push_back(
            {role, e.address, identity == identities.end() ? "-" : identity->second});
    }
    return instruments;
}

}  // namespace

std::string BenchRoleTitle(const std::string& role) {
    const auto known = instruments::RoleFromName(role);
    return known ? instruments::RoleTitle(*known) : role;
}

std::string FilterName(int filter) {
    return filter == 0 ? "BPF T1" : "BPF T2";
}

std::string LevelItemName(int item) {
    return item == 0 ? "RX LVA" : "TX LVA";
}

std::string ResultText(const AutoOpResult& r) {
    switch (r.kind) {
        case AutoOpKind::BandPassSweep:
            return "Band-pass sweep " + FilterName(r.item) + ": centre " +
                   std::to_string(r.value) + " (highest SD from " + std::to_string(r.first) +
                   " to " + std::to_string(r.last) + ")";
        case AutoOpKind::LevelAdjust:
            if (!r.ok) {
                return "Automatic adjustment " + LevelItemName(r.item) +
                       ": FAILED, target LVIN " + std::to_string(r.first) +
                       " out of reach; value restored to " + std::to_string(r.value);
            }
            return "Automatic adjustment " + LevelItemName(r.item) + ": final value " +
                   std::to_string(r.value) + " (target LVIN " + std::to_string(r.first) + ")";
        case AutoOpKind::RssiThreshold:
            break;
    }
    return std::string("RSSI ") + (r.item == 0 ? "S3" : "S1") + " threshold captured: " +
           std::to_string(r.value);
}

std::vector<std::pair<std::string, std::string>> ConnectValuesFromImage(const Bytes& image) {
    std::vector<std::pair<std::string, std::string>> values;
    auto add = [&](const std::string& item, std::int32_t address) {
        if (address < 0 || static_cast<std::size_t>(address) >= image.size()) return;
        values.emplace_back(item, std::to_string(image[static_cast<std::size_t>(address)]));
    };
    for (const RigK52TItemInfo& info : RigK52TItemList()) {
        if (!IsActionRow(info.title)) add(info.title, info.imageAddress);
    }
    for (const ExtraRow& extra : kExtraRows) add(extra.item, extra.address);
    return values;
}

AlignmentReport MakeAlignmentReport(const BackupRecord& backup,
                                    const std::vector<JournalEntry>& journal,
                                    const CurveLog& curves) {
    const ReportHeading heading{backup.modelCode, backup.subCode,
                                BytesToHexText(backup.identification), backup.dateTime,
                                Hex8(Crc32(backup.image))};
    return MakeAlignmentReport(heading, ConnectValuesFromImage(backup.image), journal, curves);
}

AlignmentReport MakeAlignmentReport(
    const ReportHeading& heading,
    const std::vector<std::pair<std::string, std::string>>& connectValues,
    const std::vector<JournalEntry>& lines, const CurveLog& curves) {
    AlignmentReport report;
    // The bench's lines are not adjustments: they have their own part of the report.
    std::vector<JournalEntry> journal;
    for (const JournalEntry& line : lines) {
        if (const auto bench = BenchEntryOf(line)) {
            report.bench.push_back(*bench);
        } else {
            journal.push_back(line);
        }
    }
    report.instruments = InstrumentsOf(report.bench);
    report.modelCode = heading.modelCode;
    report.subCode = heading.subCode;
    report.identificationHex = heading.identificationHex;
    report.dateTime = heading.dateTime;
    report.backupCrc = heading.backupCrc;
    report.journal = journal;

    for (const RigK52TItemInfo& info : RigK52TItemList()) {
        if (IsActionRow(info.title)) continue;
        if (info.imageAddress < 0 && !InJournal(journal, info.title)) continue;
        report.items.push_back(ItemRow(info.title, info.imageAddress, connectValues, journal));
    }
    for (const ExtraRow& extra : kExtraRows) {
        report.items.push_back(ItemRow(extra.item, extra.address, connectValues, journal));
    }

    for (const TimedResult& result : curves.results) {
        report.operations.push_back(Seconds(result.timeMs) + "  " + ResultText(result.result));
    }

    std::map<std::pair<int, int>, int> last;
    for (const TimedReading& r : curves.readings) {
        last[{static_cast<int>(r.point.group), r.point.index}] = r.point.raw;
    }
    for (int i = 0; i < kAdRowCount - 1; ++i) {
        const auto it = last.find({static_cast<int>(ReadingGroup::Ad), i});
        if (it != last.end()) report.lastAd.push_back(AdRowText(i, it->second));
    }
    for (int i = 0; i < kDaRowCount; ++i) {
        const auto it = last.find({static_cast<int>(ReadingGroup::Da), i});
        if (it != last.end()) report.lastDa.push_back(DaRowText(i, it->second));
    }
    report.sweeps = SweepRuns(curves);
    report.bisections = BisectionRuns(curves);
    return report;
}

bool ReadJournalStrict(const std::string& path, std::vector<JournalEntry>& entries,
                       std::string& error) {
    entries.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "The backup has no journal: " + path + " cannot be read.";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            if (line != kJournalHeading) {
                error = path + ": not an adjustment journal (line 1 is not its heading).";
                return false;
            }
            continue;
        }
        if (line.empty()) continue;
        JournalEntry entry;
        if (!ParseJournalLine(line, entry)) {
            // The last line may have been cut short by a pulled plug.
            if (in.eof()) break;
            error = path + ": line " + std::to_string(number) + " is not a journal entry.";
            return false;
        }
        entries.push_back(entry);
        if (entries.size() > 1000000) {
            error = path + ": too many lines for a journal.";
            return false;
        }
    }
    if (number == 0) {
        error = path + ": the journal is empty (not even its heading).";
        return false;
    }
    return true;
}

bool BuildAlignmentReport(const std::string& backupPath, AlignmentReport& report,
                          std::string& error) {
    BackupRecord backup;
    if (!ReadBackupFile(backupPath, backup, error)) return false;
    std::vector<JournalEntry> journal;
    const std::string journalPath = JournalPathFor(backupPath);
    if (!ReadJournalStrict(journalPath, journal, error)) return false;
    CurveLog curves;
    const std::string curvesPath = CurvesPathFor(backupPath);
    std::error_code ec;
    const bool haveCurves = std::filesystem::exists(curvesPath, ec);
    if (haveCurves && !ReadCurvesFile(curvesPath, curves, error)) return false;
    std::vector<RunRecord> runs;
    const std::string runsPath = RunsPathFor(backupPath);
    const bool haveRuns = std::filesystem::exists(runsPath, ec);
    if (haveRuns && !ReadRunsFile(runsPath, runs, error)) return false;
    report = MakeAlignmentReport(backup, journal, curves);
    report.backupPath = backupPath;
    report.journalPath = journalPath;
    report.curvesPath = haveCurves ? curvesPath : std::string();
    report.runsPath = haveRuns ? runsPath : std::string();
    report.runs = std::move(runs);
    return true;
}

}  // namespace qs
