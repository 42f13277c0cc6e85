#pragma once

#include <cstdint>
#include <string>

#include "history/record_types.h"
#include "record/run_record.h"

namespace qs {

// A procedure's step as the records keep it: every value it set or saw that has a number, then
// the value it judged with its limits and outcome. `endedMs` is when it ended, counted from the
// connection's start; it began its duration before that.
ProcedureStep RecordedStep(const StepRecord& step, std::int64_t endedMs);

// When a step of a run that began `runStartMs` after the connection's start ended, counted
// from the connection's start: from the run's own times, so that the records made live and
// those rebuilt from the runs file agree. A step that never ran ends with the run.
std::int64_t StepEndedMs(const StepRecord& step, std::int64_t runStartMs,
                         std::int64_t runDurationMs);

}  // namespace qs
