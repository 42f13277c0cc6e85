#include "record/run_in_progress.h"

namespace qs {

std::string EndedDuringRunText(const RunRecord& run, int step) {
    const std::string text = "the program ended during the run ";
    if (step >= 0) return text + "(at step " + std::to_string(step + 1) + ")";
    int last = 0;
    for (const StepRecord& row : run.steps) {
        if (row.startMs >= 0) last = row.number;
    }
    return text + (last == 0 ? "(before step 1)" : "(after step " + std::to_string(last) + ")");
}

RunRecord InProgressRecord(const RunRecord& run, int step) {
    RunRecord kept = run;
    kept.inProgress = true;
    kept.verdict = RunVerdict::Error;
    kept.complete = false;
    kept.endReason = EndedDuringRunText(run, step);
    if (step >= 0 && static_cast<std::size_t>(step) < kept.steps.size()) {
        StepRecord& row = kept.steps[static_cast<std::size_t>(step)];
        row.outcome = StepOutcome::Error;
        row.message = "the program ended during this step";
    }
    return kept;
}

}  // namespace qs
