#include "record/run_record.h"

#include <algorithm>
#include <array>

#include "model/reading_text.h"

namespace qs {
namespace {

constexpr int kBitsPerByte = 10;  // start, 8 data, stop
constexpr std::int64_t kMsPerSecond = 1000;
// An adjustment command on the line: FE FE, two addresses, E8, model and sub code, the
// command and its two digits, FD.
constexpr std::int64_t kCommandFrameBytes = 13;

constexpr std::array<const char*, 5> kOutcomeWords{"pass", "fail", "error", "skipped",
                                                   "aborted"};
constexpr std::array<const char*, 4> kVerdictWords{"PASS", "FAIL", "ERROR", "ABORTED"};

}  // namespace

const char* OutcomeWord(StepOutcome outcome) {
    return kOutcomeWords[static_cast<std::size_t>(outcome)];
}

std::optional<StepOutcome> OutcomeFromWord(const std::string& word) {
    for (std::size_t i = 0; i < kOutcomeWords.size(); ++i) {
        if (word == kOutcomeWords[i]) return static_cast<StepOutcome>(i);
    }
    return std::nullopt;
}

const char* VerdictWord(RunVerdict verdict) {
    return kVerdictWords[static_cast<std::size_t>(verdict)];
}

std::optional<RunVerdict> VerdictFromWord(const std::string& word) {
    for (std::size_t i = 0; i < kVerdictWords.size(); ++i) {
        if (word == kVerdictWords[i]) return static_cast<RunVerdict>(i);
    }
    return std::nullopt;
}

std::int64_t RunPace::LeastMs() const {
    if (baud <= 0) return afterCommandWaitMs + instrumentMs + technicianMs;
    const std::int64_t bitMs = kBitsPerByte * kMsPerSecond;
    const std::int64_t lineMs = static_cast<std::int64_t>(lineBytes) * bitMs / baud;
    const std::int64_t hiddenMs = waitedCommands * kCommandFrameBytes * bitMs / baud;
    return lineMs - hiddenMs + afterCommandWaitMs + instrumentMs + technicianMs;
}

std::string StepValuesText(const StepRecord& step) {
    std::string text;
    for (const SeenValue& value : step.values) {
        if (!text.empty()) text += ", ";
        text += value.name + " " + SpacedUnits(value.text);
    }
    return text;
}

RunVerdict VerdictOf(const std::vector<StepRecord>& steps) {
    const auto any = [&steps](StepOutcome outcome) {
        return std::any_of(steps.begin(), steps.end(),
                           [outcome](const StepRecord& step) { return step.outcome == outcome; });
    };
    if (any(StepOutcome::Aborted)) return RunVerdict::Aborted;
    if (any(StepOutcome::Error)) return RunVerdict::Error;
    const bool allPassed = !steps.empty() &&
                           std::all_of(steps.begin(), steps.end(), [](const StepRecord& step) {
                               return step.outcome == StepOutcome::Pass;
                           });
    return allPassed ? RunVerdict::Pass : RunVerdict::Fail;
}

}  // namespace qs
