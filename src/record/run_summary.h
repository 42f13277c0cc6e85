#pragma once

// A run summed up beside its verdict: how many steps ended how, and why the run ended as it
// did in words that name every step that failed, not just the one that stopped it.

#include <string>
#include <vector>

#include "record/run_record.h"

namespace qs {

struct OutcomeCounts {
    int passed = 0;
    int failed = 0;
    int errors = 0;   // could not be judged
    int aborted = 0;  // under way when the run was stopped
    int notRun = 0;   // never reached
};

OutcomeCounts CountOutcomes(const std::vector<StepRecord>& steps);

// "3 passed, 1 failed, 1 error, 5 not run", naming only the ends some step had;
// "all 9 steps passed", "no steps".
std::string CountsText(const OutcomeCounts& counts);

// "1", "1 and 2", "1, 2 and 3".
std::string NumberList(const std::vector<int>& numbers);

// Why the run ended as it did, for beside its verdict word; empty for a pass. The run's own
// reason comes first unless it is only the step that ended it ("stopped by the technician at
// step 4", "the radio link failed: ..."), then every step that failed and every step that
// could not be judged: "steps 1, 2 and 3 failed; step 5 could not be judged".
std::string VerdictReason(const RunRecord& run);

// The end of a run in one line, in the run window's words (its banner, reason and what the
// radio holds), for whoever shows it elsewhere: "Procedure run ABORTED: stopped by the
// technician at step 17. The radio holds TX LVA = 192 (was 180); generator RF off."
std::string RunEndText(const RunRecord& run);

// The instruments of the run whose calibration was not current on the run's day, grouped by
// what was wrong: "generator calibration overdue; power meter calibration date not given";
// empty when all were (or none was used).
std::string CalibrationNote(const RunRecord& run);

// The verdict word with that note beside it, as the run's banner and the report's summary say
// it: "PASS — generator calibration overdue", or "PASS" alone.
std::string VerdictWithCalibration(const std::string& verdictWord, const RunRecord& run);

}  // namespace qs
