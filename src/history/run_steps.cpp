#include "history/run_steps.h"

namespace qs {

namespace {

std::string Outcome(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::Pass:
            return "pass";
        case StepOutcome::Fail:
            return "fail";
        case StepOutcome::Error:
            return "error";
        case StepOutcome::Aborted:
            return "aborted";
        case StepOutcome::Skipped:
            break;
    }
    return "skip";
}

}  // namespace

ProcedureStep RecordedStep(const StepRecord& step, std::int64_t endedMs) {
    ProcedureStep recorded;
    recorded.name = step.title;
    recorded.kind = step.kind;
    recorded.outcome = Outcome(step.outcome);
    recorded.endedMs = endedMs;
    recorded.startedMs = endedMs > step.durationMs ? endedMs - step.durationMs : 0;
    recorded.message = step.message;
    for (const SeenValue& value : step.values) {
        if (value.number) recorded.values.push_back({value.name, *value.number, value.unit, {}, {}, ""});
    }
    if (step.measured && step.measured->number) {
        StepValue judged{step.measured->name, *step.measured->number, step.measured->unit,
                         {}, {}, recorded.outcome};
        if (step.limits) {
            judged.low = step.limits->min;
            judged.high = step.limits->max;
        }
        recorded.values.push_back(judged);
    }
    return recorded;
}

std::int64_t StepEndedMs(const StepRecord& step, std::int64_t runStartMs,
                         std::int64_t runDurationMs) {
    if (step.startMs < 0) return runStartMs + runDurationMs;
    return runStartMs + step.startMs + step.durationMs;
}

}  // namespace qs
