#include "history/interrupted_runs.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "history/backup_import.h"
#include "history/connection_file.h"
#include "record/curves_file.h"
#include "record/run_record_file.h"
#include "safety/line_file.h"
#include "shell/atomic_file.h"

namespace qs {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCrLf = "\r\n";
constexpr const char* kGenerator = "generator";

bool During(const JournalEntry& entry, const std::string& since) {
    // Local times of one form compare as text.
    return since.empty() || entry.time >= since;
}

// The last the journal shows of the run: its last line, else the run's own start.
std::string LastKnownTime(const std::vector<JournalEntry>& journal, const std::string& since) {
    std::string last = since;
    for (const JournalEntry& entry : journal) {
        if (During(entry, since)) last = std::max(last, entry.time);
    }
    return last;
}

std::string FileName(const std::string& path) {
    return fs::path(path).filename().string();
}

// Each run the program ended during, from the runs file's marks.
std::vector<RunRecord> LeftInProgress(const std::vector<RunRecord>& runs) {
    std::vector<RunRecord> left;
    for (const RunRecord& run : runs)
        if (run.inProgress) left.push_back(run);
    return left;
}

// Clears the marks of one connection's runs file; false with `error` when it could not be.
bool ClearMarks(const std::string& backupPath, std::vector<RunRecord>& runs,
                const std::vector<JournalEntry>& journal, const std::string& foundAt,
                std::string& error) {
    bool changed = false;
    for (RunRecord& run : runs) {
        if (!run.inProgress) continue;
        run.inProgress = false;
        run.ended = LastKnownTime(journal, run.started);
        run.notes.push_back("Found left in progress at the start of " + foundAt + ". " +
                            JournalShows(journal, run.started));
        changed = true;
    }
    return !changed || WriteFileAtomically(RunsPathFor(backupPath), RunsText(runs),
                                           ExistingFile::Replace, error);
}

void RepairConnection(const std::string& backupPath, const std::string& foundAt,
                      std::vector<RepairedRun>& repaired) {
    std::error_code ec;
    std::string error;
    std::vector<RunRecord> runs;
    const std::string runsPath = RunsPathFor(backupPath);
    // A file that cannot be read is left as it is: the reports and the import say why.
    if (fs::exists(runsPath, ec) && !ReadRunsFile(runsPath, runs, error)) runs.clear();
    const std::vector<RunRecord> left = LeftInProgress(runs);
    if (left.empty()) return;

    const std::vector<JournalEntry> journal = ReadJournalFile(JournalPathFor(backupPath));
    const bool cleared = ClearMarks(backupPath, runs, journal, foundAt, error);
    for (const RunRecord& run : left) {
        std::string notice = InterruptedRunNotice(backupPath, run, journal);
        if (!cleared) {
            notice += std::string(kCrLf) + "Its mark could not be cleared (" + error +
                      "); it is told again at the next start.";
        }
        repaired.push_back({backupPath, std::move(notice)});
    }
}

}  // namespace

std::string JournalShows(const std::vector<JournalEntry>& journal, const std::string& since) {
    std::vector<std::pair<std::string, std::string>> last;  // in the order last sent
    std::string rf;
    for (const JournalEntry& entry : journal) {
        if (!During(entry, since)) continue;
        if (const auto bench = BenchEntryOf(entry)) {
            if (bench->role == kGenerator && !bench->failed &&
                (bench->text == "RF on" || bench->text == "RF off")) {
                rf = bench->text;
            }
            continue;
        }
        // A value sent again as it was (Connect's first sending) changed nothing.
        if (entry.oldValue == entry.newValue) continue;
        std::erase_if(last, [&entry](const auto& item) { return item.first == entry.item; });
        last.emplace_back(entry.item, entry.newValue);
    }
    std::string text = "The journal shows ";
    if (last.empty()) {
        text += "no adjustment command sent to the radio";
    } else {
        text += "the radio last got ";
        for (std::size_t i = 0; i < last.size(); ++i)
            text += (i == 0 ? "" : ", ") + last[i].first + " " + last[i].second;
    }
    if (rf == "RF on") text += "; the generator's RF was last switched on";
    if (rf == "RF off") text += "; the generator's RF was switched off";
    return text + ".";
}

std::string InterruptedRunNotice(const std::string& backupPath, const RunRecord& run,
                                 const std::vector<JournalEntry>& journal) {
    std::string what = run.procedureTitle.empty()
                           ? std::string("A procedure run")
                           : "The procedure run \"" + run.procedureTitle + "\"";
    what += " of the connection " + FileName(backupPath);
    if (!run.serialNumber.empty()) what += " (serial number " + run.serialNumber + ")";
    if (!run.started.empty()) what += ", started " + run.started + ",";
    return what + " did not end: " + run.endReason + ". It is recorded as ERROR." + kCrLf +
           JournalShows(journal, run.started) + kCrLf +
           "Check the radio and the generator before going on.";
}

std::vector<RepairedRun> RepairInterruptedRuns(
    const std::string& backupFolder, const IWallClock& clock,
    const std::function<bool(const std::string& backupPath)>& runningElsewhere) {
    std::vector<std::string> backups = BackupsIn(backupFolder);
    std::sort(backups.begin(), backups.end());
    const std::size_t first =
        backups.size() > kConnectionsLookedAt ? backups.size() - kConnectionsLookedAt : 0;
    std::vector<RepairedRun> repaired;
    const std::string foundAt = DateTimeText(clock.Now());
    for (std::size_t i = first; i < backups.size(); ++i) {
        if (runningElsewhere && runningElsewhere(backups[i])) continue;
        RepairConnection(backups[i], foundAt, repaired);
    }
    return repaired;
}

}  // namespace qs
