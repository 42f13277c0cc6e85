#pragma once

// The words and colours of outcomes, in one place, so that the report, the history, the
// command line and the run window say a run's end the same way.

#include <optional>
#include <string>
#include <vector>

#include "record/run_record.h"

namespace qs {

// What a connection came to: the verdict of its last run, none when no procedure ran in it.
// A connection still open has the verdict of the run that ended last.
std::optional<RunVerdict> ConnectionVerdict(const std::vector<RunRecord>& runs);

// "PASS", "FAIL", "ERROR", "ABORTED"; "no procedure" for a connection without a run.
inline constexpr const char* kNoProcedureText = "no procedure";
std::string ConnectionVerdictText(const std::optional<RunVerdict>& verdict);
// The verdict a record's text gives, whatever its case ("fail" from older records); none for
// an empty or unknown word.
std::optional<RunVerdict> VerdictFromAnyCase(const std::string& word);

// A step's end as a reader sees it: "PASS", "FAIL", "ERROR", "ABORTED", "not run".
std::string StepOutcomeLabel(StepOutcome outcome);

// The colour of a verdict or a step's end as "#rrggbb": green, red, orange, purple; grey for a
// step not run or a connection without a run.
const char* VerdictColour(RunVerdict verdict);
const char* StepOutcomeColour(StepOutcome outcome);
inline constexpr const char* kNoVerdictColour = "#666666";
// The background of a step that failed or could not be judged, in a table of steps.
inline constexpr const char* kFailedRowTint = "#fbe3e1";

}  // namespace qs
