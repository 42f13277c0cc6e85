#include "record/verdict_words.h"

#include <cctype>

namespace qs {

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

}  // namespace qs
