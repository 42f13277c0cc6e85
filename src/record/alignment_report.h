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
    std::vector<JournalEntry> journal;
};

// The report from records already read. `curves` may be empty (an older connection).
AlignmentReport MakeAlignmentReport(const BackupRecord& backup,
                                    const std::vector<JournalEntry>& journal,
                                    const CurveLog& curves);

// Reads the backup at `backupPath`, its journal and (when there are) its curves file and runs
// file beside it; false with `error` when the backup is damaged, the journal is missing or
// damaged, or the curves or runs file is damaged.
bool BuildAlignmentReport(const std::string& backupPath, AlignmentReport& report,
                          std::string& error);

// The journal file strictly: heading first, every other line an entry; false with `error`
// naming the first bad line.
bool ReadJournalStrict(const std::string& path, std::vector<JournalEntry>& entries,
                       std::string& error);

// Sentences for the report and the charts: "BPF T1", "RX LVA", one result in words.
std::string FilterName(int filter);
std::string LevelItemName(int item);
std::string ResultText(const AutoOpResult& result);

}  // namespace qs
