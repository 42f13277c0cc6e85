#include "procedure/step_run.h"

namespace qs::procedure {

std::unique_ptr<StepRun> MakeStepRun(const StepAction& action) {
    return std::visit([](const auto& step) { return MakeRun(step); }, action);
}

}  // namespace qs::procedure
