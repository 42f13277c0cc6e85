#include "history/backup_import.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "history/connection_file.h"
#include "history/interrupted_runs.h"
#include "history/connection_uid.h"
#include "history/records_file.h"
#include "history/run_steps.h"
#include "link/hex_text.h"
#include "record/alignment_report.h"
#include "record/curves_file.h"
#include "record/run_record_file.h"
#include "safety/backup_file.h"
#include "safety/crc32.h"
#include "safety/journal_file.h"
#include "safety/wall_clock.h"

namespace qs {
namespace {

namespace fs = std::filesystem;

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Hex8(std::uint32_t value) {
    char text[9] = {};
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

std::string LastNewValue(const std::vector<JournalEntry>& journal, const std::string& item) {
    for (auto it = journal.rbegin(); it != journal.rend(); ++it)
        if (it->item == item) return it->newValue;
    return "";
}

std::string FileName(const std::string& path) {
    return fs::path(path).filename().string();
}

// What the program recording the connection wrote beside its files: the record comes back
// with its own ID (when the file gave a good one), bench, program and end, as it was recorded.
void TakeFacts(const ConnectionFacts& facts, ConnectionRecord& record) {
    ConnectionInfo& info = record.info;
    if (!facts.uid.empty()) info.uid = facts.uid;
    info.bench = facts.bench;
    info.programVersion = facts.programVersion;
    info.endedAt = facts.endedAt;
    info.state = facts.endedAt ? ConnectionState::Finished : ConnectionState::Unfinished;
    record.instruments = facts.instruments;
}

// The procedure runs as the records took them in live: the last run's header, the verdict of
// the last run that ended, and every run's steps in order.
void TakeRuns(const std::vector<RunRecord>& runs, const std::vector<std::int64_t>& runStartsMs,
              ConnectionRecord& record) {
    ConnectionInfo& info = record.info;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const RunRecord& run = runs[r];
        info.technician = run.technician;
        info.serialNumber = run.serialNumber;
        info.workOrder = run.workOrder;
        info.procedureTitle = run.procedureTitle;
        // One the program ended during is over too, as the ERROR it was left as.
        const bool over = !run.ended.empty() || run.inProgress;
        if (over) info.verdict = VerdictWord(run.verdict);
        const std::int64_t start = r < runStartsMs.size() ? runStartsMs[r] : 0;
        for (const StepRecord& step : run.steps)
            record.steps.push_back(RecordedStep(step, StepEndedMs(step, start, run.durationMs)));
        // Kept whole as the live records keep a run that has ended.
        if (over) record.runs.push_back(run);
    }
}

// One backup, read already, with its journal, curves, runs and connection file into a record;
// false with the file and reason when one of them cannot be read at all. Lines skipped in the
// runs and connection file go to `notes`.
bool ReadConnection(const std::string& backupPath, const BackupRecord& backup,
                    const std::string& bench, ConnectionRecord& record, ImportProblem& problem,
                    std::vector<std::string>& notes) {
    std::string error;
    std::error_code ec;
    const std::string journalPath = JournalPathFor(backupPath);
    if (fs::exists(journalPath, ec) && !ReadJournalStrict(journalPath, record.journal, error)) {
        problem = {journalPath, error};
        return false;
    }
    const std::string curvesPath = CurvesPathFor(backupPath);
    if (fs::exists(curvesPath, ec) && !ReadCurvesFile(curvesPath, record.curves, error)) {
        problem = {curvesPath, error};
        return false;
    }

    ConnectionFileReading facts;
    const std::string factsPath = ConnectionFilePathFor(backupPath);
    const bool recorded = fs::exists(factsPath, ec);
    if (recorded && !ReadConnectionFile(factsPath, facts, error)) {
        problem = {factsPath, error};
        return false;
    }
    std::vector<RunRecord> runs;
    std::vector<std::string> runLines;
    const std::string runsPath = RunsPathFor(backupPath);
    if (fs::exists(runsPath, ec) && !ReadRunsFile(runsPath, runs, runLines, error)) {
        problem = {runsPath, error};
        return false;
    }
    notes.insert(notes.end(), facts.skipped.begin(), facts.skipped.end());
    notes.insert(notes.end(), runLines.begin(), runLines.end());

    std::vector<JournalEntry> journal = std::move(record.journal);
    CurveLog curves = std::move(record.curves);
    record = RecordOfBackup(backup, backupPath, bench);
    record.journal = std::move(journal);
    record.curves = std::move(curves);
    for (ItemValue& item : record.items) {
        const std::string last = LastNewValue(record.journal, item.item);
        if (!last.empty()) item.atEnd = last;
    }
    if (recorded) TakeFacts(facts.facts, record);
    TakeRuns(runs, facts.facts.runStartsMs, record);
    return true;
}

// A connection file's ID that the records hold for another connection already: the
// connection is kept apart under its backup's own ID instead of being merged into that one.
SqlStatus KeepApart(RecordsStore& store, const std::string& backupPath, ConnectionRecord& record,
                    std::vector<std::string>& notes) {
    const std::string own = ImportedConnectionUid(FileName(backupPath), record.info.backupCrc);
    if (record.info.uid == own) return {};
    std::optional<std::int64_t> other;
    const SqlStatus status = store.FindConnection(record.info.uid, other);
    if (!status.ok() || !other) return status;
    notes.push_back(ConnectionFilePathFor(backupPath) + ": the connection ID " +
                    record.info.uid +
                    " is another connection's already; this one is taken in apart as " + own);
    record.info.uid = own;
    return {};
}

}  // namespace

bool ReadConnectionFiles(const std::string& backupPath, const std::string& bench,
                         ConnectionRecord& record, ImportProblem& problem) {
    BackupRecord backup;
    std::string error;
    if (!ReadBackupFile(backupPath, backup, error)) {
        problem = {backupPath, error};
        return false;
    }
    std::vector<std::string> notes;
    return ReadConnection(backupPath, backup, bench, record, problem, notes);
}

ConnectionRecord RecordOfBackup(const BackupRecord& backup, const std::string& backupPath,
                                const std::string& bench) {
    ConnectionRecord record;
    ConnectionInfo& info = record.info;
    info.backupCrc = Hex8(Crc32(backup.image));
    info.uid = ImportedConnectionUid(FileName(backupPath), info.backupCrc);
    info.state = ConnectionState::Imported;
    if (!LocalTimeFromText(backup.dateTime, info.startedAt)) info.startedAt = 0;
    info.startedLocal = backup.dateTime;
    info.bench = bench;
    info.modelCode = backup.modelCode;
    info.subCode = backup.subCode;
    info.identificationHex = BytesToHexText(backup.identification);
    info.backupPath = backupPath;
    for (const auto& [item, value] : ConnectValuesFromImage(backup.image))
        record.items.push_back({item, value, value});
    return record;
}

bool LocalTimeFromText(const std::string& text, std::time_t& when) {
    std::tm parts{};
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &tail) != 6) {
        return false;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;
    when = std::mktime(&parts);
    return when != static_cast<std::time_t>(-1);
}

std::vector<std::string> BackupsIn(const std::string& folder) {
    std::vector<std::string> backups;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string path = it->path().string();
        if (EndsWith(path, kBackupExtension) && it->is_regular_file(ec)) backups.push_back(path);
    }
    return backups;
}

ImportResult ImportBackupFolder(RecordsStore& store, const std::string& folder,
                                const std::string& bench) {
    return ImportBackupFolder(store, folder, bench, {});
}

ImportResult ImportBackupFolder(RecordsStore& store, const std::string& folder,
                                const std::string& bench,
                                const std::function<bool(const std::string&)>& wanted,
                                const std::function<bool()>& stopping) {
    ImportResult result;
    std::error_code ec;
    std::vector<std::string> backups;
    std::vector<std::string> others;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string path = it->path().string();
        if (EndsWith(path, kBackupExtension)) {
            if (!wanted || wanted(path)) backups.push_back(path);
        } else if (EndsWith(path, kJournalExtension) || EndsWith(path, kCurvesExtension)) {
            others.push_back(path);
        }
    }
    if (ec) {
        result.status = SqlStatus::Failed(SqlError::Other, folder + ": " + ec.message());
        return result;
    }
    std::sort(backups.begin(), backups.end());
    std::sort(others.begin(), others.end());
    for (const std::string& path : others) {
        std::string backup =
            path.substr(0, path.size() - (EndsWith(path, kJournalExtension)
                                              ? std::string(kJournalExtension).size()
                                              : std::string(kCurvesExtension).size()));
        backup += kBackupExtension;
        if (!fs::exists(backup, ec)) result.skipped.push_back({path, "no backup beside it"});
    }

    bool connectionSkipped = false;
    for (const std::string& path : backups) {
        if (stopping && stopping()) {
            result.stopped = true;
            return result;
        }
        // The backup first: one recorded already needs nothing else read.
        BackupRecord backup;
        std::string error;
        if (!ReadBackupFile(path, backup, error)) {
            result.skipped.push_back({path, error});
            connectionSkipped = true;
            continue;
        }
        bool found = false;
        result.status = store.HasBackup(path, Hex8(Crc32(backup.image)), found);
        if (!result.status.ok()) return result;
        if (found) {
            ++result.alreadyThere;
            continue;
        }
        ConnectionRecord record;
        ImportProblem problem;
        if (!ReadConnection(path, backup, bench, record, problem, result.notes)) {
            result.skipped.push_back(problem);
            connectionSkipped = true;
            continue;
        }
        if (!(result.status = KeepApart(store, path, record, result.notes)).ok()) return result;
        std::int64_t id = 0;
        result.status = store.SaveRecord(record, id);
        if (!result.status.ok()) return result;
        ++result.imported;
        for (const RunRecord& run : record.runs) {
            if (run.inProgress) {
                result.interrupted.push_back(InterruptedRunNotice(path, run, record.journal));
            }
        }
    }
    // A connection skipped whole is looked for again by the next import.
    std::string skippedNow;
    for (const ImportProblem& problem : result.skipped)
        skippedNow += problem.path + "\n";
    std::optional<std::string> skippedBefore;
    result.status = store.Fact(kBackupsSkippedFact, skippedBefore);
    if (!result.status.ok()) return result;
    result.skippedAsBefore = connectionSkipped && skippedBefore == skippedNow;
    result.status = store.SetFact(kBackupsSkippedFact, connectionSkipped ? skippedNow : "");
    if (result.status.ok() && !connectionSkipped)
        result.status = store.SetFact(kBackupsImportedFact, folder);
    return result;
}

}  // namespace qs
