#pragma once

// A procedure run the program ended during (killed, a crash, a power cut) is left marked in
// progress in its files (record/run_in_progress.h, connection_file.h). The next start finds it
// in the newest connections of the backups folder, keeps it as the ERROR it was left as with
// what the journal shows the radio last got, clears the mark so that it is told once, and
// says so to the technician.
//
//   for (const RepairedRun& r : RepairInterruptedRuns(DefaultBackupFolder(), wallClock))
//       notice(r.notice);   // and the records take r.backupPath in again from its files

#include <functional>
#include <string>
#include <vector>

#include "record/run_record.h"
#include "safety/journal_file.h"
#include "safety/wall_clock.h"

namespace qs {

// The newest connections looked at: a second connection in the same second is named after the
// first, so the newest by name alone could miss it.
inline constexpr std::size_t kConnectionsLookedAt = 3;

// What the journal shows the radio last got from `since` (a local "2026-12-07 10:46:02"; empty:
// the whole connection): each item's last value, "Power(Hi) 150, BAL 120", and the generator's
// RF, "the generator's RF was last switched on"; one sentence, or what it does not show.
std::string JournalShows(const std::vector<JournalEntry>& journal, const std::string& since);

// The technician's notice of a run the program ended during, with the advice to check the
// radio and the generator; `run` as its runs file keeps it (its title empty when only the
// connection file marks it).
std::string InterruptedRunNotice(const std::string& backupPath, const RunRecord& run,
                                 const std::vector<JournalEntry>& journal);

struct RepairedRun {
    std::string backupPath;
    std::string notice;
};

// Finds and repairs the runs left in progress; one entry a run. Files that cannot be read are
// left alone; one that cannot be written keeps its mark, to be found again. A connection whose
// run another program is carrying out now (`runningElsewhere`, by its backup's path; several
// programs run at once, one per cable) is left alone too.
std::vector<RepairedRun> RepairInterruptedRuns(
    const std::string& backupFolder, const IWallClock& clock,
    const std::function<bool(const std::string& backupPath)>& runningElsewhere = nullptr);

}  // namespace qs
