#pragma once

// The words of outcomes, in one place, so that the report, the history, the command line and
// the run window say a run's end the same way (their colours are in verdict_style.h).

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

}  // namespace qs
