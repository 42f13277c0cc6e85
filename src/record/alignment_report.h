#pragma once

#include <string>
#include <vector>

#include "record/curve_log.h"
#include "record/curve_runs.h"
#include "record/run_record.h"
#include "safety/backup_file.h"
#include "safety/journal_file.h"

namespace qs {

// One row of the report's item table.
struct ReportItemRow {
    std::string item;       // as the journal names it, e.g. "Power(Hi)"
    std::string atConnect;  // value read at Connect, "-" when the image does not hold it
    std::string atEnd;      // value after the last command sent for it
    bool changed = false;
};

// An instrument of the bench that worked during the connection.
struct ReportInstrument {
    std::string role;      // "Power meter", or the journal's word for a role it does not know
    std::string address;
    std::string identity;  // its answer to *IDN?, "-" when the journal does not hold it
    bool operator==(const ReportInstrument&) const = default;
};

// What was done to one radio during one connection, built from the connection's backup,
// journal and curves file. The HTML and PDF writers only lay it out.
struct AlignmentReport {
    std::string modelCode;
    std::string subCode;
    std::string identificationHex;
    std::string dateTime;  // of the read at Connect
    std::string backupPath;
    std::string backupCrc;  // CRC-32 of the image, 8 hexadecimal digits
    std::string journalPath;
    std::string curvesPath;  // empty when the connection has no curves file
    std::string runsPath;    // empty when no procedure was run on the connection
    std::vector<RunRecord> runs;  // the procedures run, in order; their verdicts come first
    std::vector<ReportItemRow> items;
    std::vector<std::string> operations;  // one sentence per operation result, in time order
    std::vector<std::string> lastAd;      // the [A/D] rows as the list shows them last
    std::vector<std::string> lastDa;
    std::vector<SweepRun> sweeps;
    std::vector<BisectionRun> bisections;
    std::vector<JournalEntry> journal;  // the adjustment commands
    // The bench: its instruments, then every setting and reading, in the journal's order.
    std::vector<ReportInstrument> instruments;
    std::vector<BenchJournalEntry> bench;
};

// The report from records already read. `journal` holds the bench's lines beside the
// adjustment commands (an older journal has none); `curves` may be empty (an older
// connection).
AlignmentReport MakeAlignmentReport(const BackupRecord& backup,
                                    const std::vector<JournalEntry>& journal,
                                    const CurveLog& curves);

// What the report's head says of the radio and the read at Connect.
struct ReportHeading {
    std::string modelCode;
    std::string subCode;
    std::string identificationHex;
    std::string dateTime;
    std::string backupCrc;
};

// The value at Connect of every report row the memory image holds, by item name, in the
// report's row order: what a record of the connection has to keep so that its report can be
// made again without the backup file.
std::vector<std::pair<std::string, std::string>> ConnectValuesFromImage(const Bytes& image);

// The same report from the heading and the values at Connect instead of the image; rows the
// image does not hold take their value at Connect from the journal, as above.
AlignmentReport MakeAlignmentReport(
    const ReportHeading& heading,
    const std::vector<std::pair<std::string, std::string>>& connectValues,
    const std::vector<JournalEntry>& journal, const CurveLog& curves);

// Reads the backup at `backupPath`, its journal and (when there are) its curves file and runs
// file beside it; false with `error` when the backup is damaged, the journal is missing or
// damaged, or the curves or runs file is damaged.
bool BuildAlignmentReport(const std::string& backupPath, AlignmentReport& report,
                          std::string& error);

// The journal file strictly: heading first, every other line an entry; false with `error`
// naming the first bad line.
bool ReadJournalStrict(const std::string& path, std::vector<JournalEntry>& entries,
                       std::string& error);

// The journal's word for a bench role as people say it: "power_meter" is "Power meter".
std::string BenchRoleTitle(const std::string& role);

// Sentences for the report and the charts: "BPF T1", "RX LVA", one result in words.
std::string FilterName(int filter);
std::string LevelItemName(int item);
std::string ResultText(const AutoOpResult& result);

}  // namespace qs
