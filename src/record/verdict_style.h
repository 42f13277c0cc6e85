#pragma once

// The colours a verdict and a step's outcome are shown in, the same in the run window and the
// report, so that a technician who knows one reads the other at a glance. Colours are
// "#rrggbb"; the word is drawn in white on the verdict's colour (each dark enough for that).

#include "record/run_record.h"

namespace qs {

// PASS green, FAIL red, ERROR orange, ABORTED grey.
constexpr const char* VerdictColour(RunVerdict verdict) {
    switch (verdict) {
        case RunVerdict::Pass: return "#1b7f2a";
        case RunVerdict::Fail: return "#b3261e";
        case RunVerdict::Error: return "#a84f00";
        case RunVerdict::Aborted: return "#5f6368";
    }
    return "#5f6368";
}

// A connection in which no procedure ran: the grey of the words that say so.
inline constexpr const char* kNoRunColour = "#5f6368";

// A step's outcome word in the colour of the verdict it stands for; a step not run in grey.
constexpr const char* OutcomeColour(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::Pass: return VerdictColour(RunVerdict::Pass);
        case StepOutcome::Fail: return VerdictColour(RunVerdict::Fail);
        case StepOutcome::Error: return VerdictColour(RunVerdict::Error);
        case StepOutcome::Skipped:
        case StepOutcome::Aborted: return VerdictColour(RunVerdict::Aborted);
    }
    return VerdictColour(RunVerdict::Aborted);
}

// The light tint of a whole step row that failed or could not be judged, so those rows stand
// out in a long table; nullptr for the others, which keep the table's own background.
constexpr const char* OutcomeRowTint(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::Fail: return "#f9dedc";
        case StepOutcome::Error: return "#fde7cf";
        default: return nullptr;
    }
}

}  // namespace qs
