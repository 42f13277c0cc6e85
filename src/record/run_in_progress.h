#pragma once

// A run keeps in its files, while it goes on, what it would be left as if the program ended
// during it (killed, a crash, a power cut): marked in progress, ERROR, "the program ended
// during the run (at step 3)", the step under way ERROR too. So every reader of the files, of
// this version or the one before, tells the same verdict, never a FAIL no limit gave; the next
// start finds the mark, tells the technician and clears it (history/interrupted_runs.h).

#include <string>

#include "record/run_record.h"

namespace qs {

// "the program ended during the run (at step 3)"; "(after step 7)" between steps or once the
// last has ended, "(before step 1)" before the first. `step` is the index of the step under
// way, -1 when none is.
std::string EndedDuringRunText(const RunRecord& run, int step);

// The record as the runs file keeps it while the run goes on.
RunRecord InProgressRecord(const RunRecord& run, int step);

}  // namespace qs
