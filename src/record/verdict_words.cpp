#include "record/verdict_words.h"

#include <cctype>

namespace qs {
namespace {

constexpr const char* kPassColour = "#1b7f2a";
constexpr const char* kFailColour = "#b3261e";
// An error is the bench's or the program's, not the radio's: told apart from a failure.
constexpr const char* kErrorColour = "#c25e00";
// A person's stop is neither the radio's nor the bench's fault.
constexpr const char* kAbortedColour = "#6a3d9a";

}  // namespace

std::optional<RunVerdict> ConnectionVerdict(const std::vector<RunRecord>& runs) {
    if (runs.empty()) return std::nullopt;
    return runs.back().verdict;
}

std::string ConnectionVerdictText(const std::optional<RunVerdict>& verdict) {
    return verdict ? VerdictWord(*verdict) : kNoProcedureText;
}

std::optional<RunVerdict> VerdictFromAnyCase(const std::string& word) {
    std::string upper = word;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return VerdictFromWord(upper);
}

std::string StepOutcomeLabel(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::Pass:
            return VerdictWord(RunVerdict::Pass);
        case StepOutcome::Fail:
            return VerdictWord(RunVerdict::Fail);
        case StepOutcome::Error:
            return VerdictWord(RunVerdict::Error);
        case StepOutcome::Aborted:
            return VerdictWord(RunVerdict::Aborted);
        case StepOutcome::Skipped:
            break;
    }
    return "not run";
}

const char* VerdictColour(RunVerdict verdict) {
    switch (verdict) {
        case RunVerdict::Pass:
            return kPassColour;
        case RunVerdict::Error:
            return kErrorColour;
        case RunVerdict::Aborted:
            return kAbortedColour;
        case RunVerdict::Fail:
            break;
    }
    return kFailColour;
}

const char* StepOutcomeColour(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::Pass:
            return kPassColour;
        case StepOutcome::Fail:
            return kFailColour;
        case StepOutcome::Error:
            return kErrorColour;
        case StepOutcome::Aborted:
            return kAbortedColour;
        case StepOutcome::Skipped:
            break;
    }
    return kNoVerdictColour;
}

}  // namespace qs
