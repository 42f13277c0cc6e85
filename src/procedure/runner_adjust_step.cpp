// The adjust step: a closed loop of settings of an item and readings of a meter, paced as the
// console paces its commands, ending on the value nearest the target or back where it began.
#include "console/console.h"
#include "procedure/adjust_search.h"
#include "procedure/message_text.h"
#include "procedure/procedure_runner.h"
#include "procedure/shown_value.h"
#include "shell/application.h"

namespace qs::procedure {

void ProcedureRunner::RunAdjust(const AdjustStep& step) {
    const auto channel = TestChannel({step.target.source});
    if (!channel) return;
    const clsConsole& console = parts_.app.console();
    const std::int16_t item = step.item.index;
    Acceptance acceptance;
    acceptance.target = step.target;
    acceptance.tolerance = step.tolerance;
    const StepLimits limits = MakeLimits(acceptance, QuantityUnit(step.quantity), *channel);
    Current().limits = limits;
    adjustStart_ = console.Value(item);
    adjustTarget_ = Resolve(step.target, *channel);
    adjustLimits_ = limits.text;
    search_ = std::make_unique<AdjustSearch>(AdjustSearch::Setup{
        adjustStart_, console.Min(item), console.Max(item), adjustTarget_, step.tolerance,
        step.maxSteps});
    AddItemValue(item);
    teardown_ = [this, item](std::function<void(std::string)> done) {
        AdjustTeardown(item, std::move(done));
    };
    AdjustMeasure(step);
}

void ProcedureRunner::AdjustMeasure(const AdjustStep& step) {
    Measure(
        step.quantity,
        [this, &step](double value) {
            const SeenValue shown = MeasurementValue(step.quantity, value);
            AddValue(shown);
            search_->Measured(*shown.number);
            if (const std::optional<int> next = search_->Next()) {
                AdjustSet(step, static_cast<std::int16_t>(*next));
            } else if (search_->met()) {
                AdjustEnd(step, StepOutcome::Pass, "");
            } else {
                AdjustEnd(step, StepOutcome::Fail, AdjustFailure(step));
            }
        },
        // Nothing is set on the strength of a failed reading; the item goes back.
        [this, &step](const std::string& message) {
            AdjustEnd(step, StepOutcome::Error, message);
        });
}

void ProcedureRunner::AdjustSet(const AdjustStep& step, std::int16_t value) {
    const std::int16_t item = step.item.index;
    parts_.app.console().setValue(item, value);
    AwaitSettled([this, &step, item] {
        AddItemValue(item);
        AdjustMeasure(step);
    });
}

std::string ProcedureRunner::AdjustFailure(const AdjustStep& step) const {
    const AdjustSearch::Point best = search_->best();
    const std::string quantity(QuantityName(step.quantity));
    const std::string nearest = "; the nearest was " +
                                MeasurementValue(step.quantity, best.measured).text + " at " +
                                std::to_string(best.value);
    switch (search_->end()) {
        case AdjustSearch::End::AtLimit:
            return step.item.title + " reached its limit before the " + quantity + " came within " +
                   adjustLimits_ + nearest;
        case AdjustSearch::End::Exhausted:
            return std::to_string(search_->settings()) + " settings (max_steps) did not bring the " +
                   quantity + " within " + adjustLimits_ + nearest;
        case AdjustSearch::End::Between:
        case AdjustSearch::End::Going:
        case AdjustSearch::End::Met:
            break;
    }
    return "no value of " + step.item.title + " brings the " + quantity + " within " +
           adjustLimits_ + nearest;
}

void ProcedureRunner::AdjustEnd(const AdjustStep& step, StepOutcome outcome, std::string message) {
    const std::int16_t item = step.item.index;
    if (!search_->points().empty()) {
        const AdjustSearch::Point best = search_->best();
        Current().measured = MeasurementValue(step.quantity, best.measured);
    }
    if (outcome != StepOutcome::Pass) {
        EndStep(outcome, std::move(message));  // the teardown puts the item back
        return;
    }
    // An adjustment command awaits no answer: the settings are known to have reached the
    // radio only once it has answered after them.
    std::string done = std::to_string(search_->settings()) + " settings; " + step.item.title +
                       " at " + std::to_string(parts_.app.console().Value(item));
    SendReload();
    AwaitSettled([this, done] { EndStep(StepOutcome::Pass, done); });
}

void ProcedureRunner::AdjustTeardown(std::int16_t item, std::function<void(std::string)> done) {
    clsConsole& console = parts_.app.console();
    const std::int16_t now = console.Value(item);
    if (now == adjustStart_) {
        done("");
        return;
    }
    if (radioLost_) {
        done(ItemName(item) + " could not be put back to " + std::to_string(adjustStart_) +
             ": the radio may hold " + std::to_string(now));
        return;
    }
    console.setValue(item, adjustStart_);
    AwaitSettled([this, item, done] {
        AddItemValue(item);
        done(ItemName(item) + " is back at " + std::to_string(adjustStart_));
    });
}

}  // namespace qs::procedure
