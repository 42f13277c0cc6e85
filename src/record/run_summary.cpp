#include "record/run_summary.h"

#include "record/verdict_words.h"

#include <cctype>

#include "record/step_summary.h"
#include "instruments/calibration.h"

namespace qs {

namespace {

// "step 3 failed", "steps 1 and 2 could not be judged".
std::string StepsPhrase(const std::vector<int>& numbers, const char* what) {
    return (numbers.size() == 1 ? "step " : "steps ") + NumberList(numbers) + " " + what;
}

// The runner's own reason when a step ended the run ("step 3 failed"): the list of every
// such step says it better.
bool OnlyNamesAStep(const std::string& reason) {
    const std::string prefix = "step ";
    return reason.rfind(prefix, 0) == 0 && reason.size() > prefix.size() &&
           std::isdigit(static_cast<unsigned char>(reason[prefix.size()])) != 0;
}

}  // namespace

OutcomeCounts CountOutcomes(const std::vector<StepRecord>& steps) {
    OutcomeCounts counts;
    for (const StepRecord& step : steps) {
        switch (step.outcome) {
            case StepOutcome::Pass: ++counts.passed; break;
            case StepOutcome::Fail: ++counts.failed; break;
            case StepOutcome::Error: ++counts.errors; break;
            case StepOutcome::Aborted: ++counts.aborted; break;
            case StepOutcome::Skipped: ++counts.notRun; break;
        }
    }
    return counts;
}

std::string CountsText(const OutcomeCounts& counts) {
    const int steps =
        counts.passed + counts.failed + counts.errors + counts.aborted + counts.notRun;
    if (steps == 0) return "no steps";
    if (counts.passed == steps) {
        return (steps == 1 ? "the step" : "all " + Counted(steps, "step")) + " passed";
    }
    // Only what happened is counted: "0 failed" says nothing a reader needs.
    std::string text = std::to_string(counts.passed) + " passed";
    const auto add = [&text](int count, const std::string& words) {
        if (count > 0) text += ", " + words;
    };
    add(counts.failed, std::to_string(counts.failed) + " failed");
    add(counts.errors, Counted(counts.errors, "error"));
    add(counts.aborted, std::to_string(counts.aborted) + " aborted");
    add(counts.notRun, std::to_string(counts.notRun) + " not run");
    return text;
}

std::string NumberList(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) text += i + 1 == numbers.size() ? " and " : ", ";
        text += std::to_string(numbers[i]);
    }
    return text;
}

std::string VerdictReason(const RunRecord& run) {
    if (run.verdict == RunVerdict::Pass) return {};
    std::vector<int> failed;
    std::vector<int> errors;
    for (const StepRecord& step : run.steps) {
        if (step.outcome == StepOutcome::Fail) failed.push_back(step.number);
        if (step.outcome == StepOutcome::Error) errors.push_back(step.number);
    }
    std::string text;
    const auto add = [&text](const std::string& part) {
        if (!text.empty()) text += "; ";
        text += part;
    };
    if (!run.endReason.empty() && !OnlyNamesAStep(run.endReason)) add(run.endReason);
    if (!failed.empty()) add(StepsPhrase(failed, "failed"));
    if (!errors.empty()) add(StepsPhrase(errors, "could not be judged"));
    if (text.empty()) text = run.endReason;
    return text;
}

std::string RunEndText(const RunRecord& run) {
    std::string text =
        "Procedure run " + VerdictWithCalibration(std::string(VerdictWord(run.verdict)), run);
    const std::string reason = VerdictReason(run);
    text += reason.empty() ? "." : ": " + reason + ".";
    if (!run.radioHolds.empty()) text += " " + run.radioHolds;
    return text;
}

std::string CalibrationNote(const RunRecord& run) {
    std::vector<instruments::RoleCalibration> used;
    for (const RunInstrument& i : run.instruments) used.push_back({i.role, i.calibrationDue});
    // Judged on the run's own day, so that the note is the same whenever it is read.
    return instruments::CalibrationNote(used, run.started.substr(0, 10));
}

std::string VerdictWithCalibration(const std::string& verdictWord, const RunRecord& run) {
    const std::string note = CalibrationNote(run);
    return note.empty() ? verdictWord : verdictWord + " \u2014 " + note;
}

}  // namespace qs
