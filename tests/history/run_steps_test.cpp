// A procedure's steps as the records keep them: outcome words the history searches for, the
// judged value with its limits after the values the step set or saw, times from its end.
#include <gtest/gtest.h>

#include "history/run_steps.h"

namespace qs {
namespace {

TEST(RunSteps, OutcomesValuesLimitsAndTimes) {
    StepRecord step;
    step.title = "High power";
    step.kind = "adjust";
    step.message = "Power(Hi) 212";
    step.durationMs = 4000;
    step.values = {{"Power(Hi)", "212", 212.0, ""}, {"generator", "RF on", std::nullopt, ""}};
    step.measured = SeenValue{"power", "5.53 W", 5.53, "W"};
    step.limits = StepLimits{5.4, 5.6, "W", "5.5 W ± 0.1 W"};

    const struct {
        StepOutcome outcome;
        const char* word;
    } outcomes[] = {{StepOutcome::Pass, "pass"},
                    {StepOutcome::Fail, "fail"},
                    {StepOutcome::Error, "error"},
                    {StepOutcome::Skipped, "skip"}};
    for (const auto& row : outcomes) {
        step.outcome = row.outcome;
        const ProcedureStep recorded = RecordedStep(step, 10000);
        EXPECT_EQ(recorded.outcome, row.word);
        ASSERT_EQ(recorded.values.size(), 2u) << "a value without a number is not kept";
        EXPECT_EQ(recorded.values[0], (StepValue{"Power(Hi)", 212.0, "", {}, {}, ""}));
        EXPECT_EQ(recorded.values[1], (StepValue{"power", 5.53, "W", 5.4, 5.6, row.word}));
    }
    const ProcedureStep recorded = RecordedStep(step, 10000);
    EXPECT_EQ(recorded.name, "High power");
    EXPECT_EQ(recorded.kind, "adjust");
    EXPECT_EQ(recorded.message, "Power(Hi) 212");
    EXPECT_EQ(recorded.startedMs, 6000);
    EXPECT_EQ(recorded.endedMs, 10000);
    EXPECT_EQ(RecordedStep(step, 1000).startedMs, 0) << "never before the connection";
}

}  // namespace
}  // namespace qs
