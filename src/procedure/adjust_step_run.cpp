// The adjust step: a closed loop of settings of an item and readings of a meter, paced as the
// console paces its commands, ending on the value nearest the target or back where it began.
#include "console/console.h"
#include "procedure/adjust_search.h"
#include "procedure/message_text.h"
#include "procedure/shown_value.h"
#include "procedure/step_run.h"
#include "shell/application.h"

namespace qs::procedure {
namespace {

class AdjustRun final : public StepRun {
public:
    explicit AdjustRun(const AdjustStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        const auto channel = host.TestChannel({step_.target.source});
        if (!channel) return;
        const clsConsole& console = host.app().console();
        const std::int16_t item = step_.item.index;
        Acceptance acceptance;
        acceptance.target = step_.target;
        acceptance.tolerance = step_.tolerance;
        const StepLimits limits = MakeLimits(acceptance, QuantityUnit(step_.quantity), *channel);
        host.Row().limits = limits;
        start_ = console.Value(item);
        limitsText_ = limits.text;
        search_ = std::make_unique<AdjustSearch>(AdjustSearch::Setup{
            start_, console.Min(item), console.Max(item), Resolve(step_.target, *channel),
            step_.tolerance, step_.maxSteps});
        host.AddItemValue(item);
        Measure(host);
    }

    // The item goes back to its value at the step's start.
    void Teardown(StepHost& host, std::function<void(std::string)> done) override {
        if (!search_) {
            done("");
            return;
        }
        const std::int16_t item = step_.item.index;
        clsConsole& console = host.app().console();
        const std::int16_t now = console.Value(item);
        if (now == start_) {
            done("");
            return;
        }
        // With the radio gone nothing is sent: the executor says what it holds.
        if (host.radioLost()) {
            done("");
            return;
        }
        console.setValue(item, start_);
        host.AwaitSettled([&host, item, done] {
            host.AddItemValue(item);
            host.AwaitConfirmed([done] { done(""); });
        });
    }

private:
    void Measure(StepHost& host) {
        host.Measure(
            step_.quantity,
            [this, &host](double value) {
                const SeenValue shown = MeasurementValue(step_.quantity, value);
                host.AddValue(shown);
                search_->Measured(*shown.number);
                if (const std::optional<int> next = search_->Next()) {
                    Set(host, static_cast<std::int16_t>(*next));
                } else if (search_->met()) {
                    End(host, StepOutcome::Pass, "");
                } else {
                    End(host, StepOutcome::Fail, Failure());
                }
            },
            // Nothing is set on the strength of a failed reading; the item goes back.
            [this, &host](const std::string& message) { End(host, StepOutcome::Error, message); });
    }

    void Set(StepHost& host, std::int16_t value) {
        const std::int16_t item = step_.item.index;
        host.app().console().setValue(item, value);
        host.AwaitSettled([this, &host, item] {
            host.AddItemValue(item);
            Measure(host);
        });
    }

    std::string Failure() const {
        const AdjustSearch::Point best = search_->best();
        const std::string quantity(QuantityName(step_.quantity));
        const std::string nearest = "; the nearest was " +
                                    MeasurementValue(step_.quantity, best.measured).text + " at " +
                                    std::to_string(best.value);
        switch (search_->end()) {
            case AdjustSearch::End::AtLimit:
                return step_.item.title + " reached its limit before the " + quantity +
                       " came within " + limitsText_ + nearest;
            case AdjustSearch::End::Exhausted:
                return std::to_string(search_->settings()) +
                       " settings (max_steps) did not bring the " + quantity + " within " +
                       limitsText_ + nearest;
            case AdjustSearch::End::Between:
            case AdjustSearch::End::Going:
            case AdjustSearch::End::Met:
                break;
        }
        return "no value of " + step_.item.title + " brings the " + quantity + " within " +
               limitsText_ + nearest;
    }

    void End(StepHost& host, StepOutcome outcome, std::string message) {
        if (!search_->points().empty()) {
            host.Row().measured = MeasurementValue(step_.quantity, search_->best().measured);
        }
        if (outcome != StepOutcome::Pass) {
            host.End(outcome, std::move(message));  // the teardown puts the item back
            return;
        }
        // An adjustment command awaits no answer: the settings are known to have reached the
        // radio only once it has answered after them.
        std::string done = std::to_string(search_->settings()) + " settings; " +
                           step_.item.title + " at " +
                           std::to_string(host.app().console().Value(step_.item.index));
        host.AwaitConfirmed([&host, done] { host.End(StepOutcome::Pass, done); });
    }

    const AdjustStep& step_;
    std::unique_ptr<AdjustSearch> search_;
    std::int16_t start_ = 0;  // the item's value when the adjustment began
    std::string limitsText_;  // "5.5 W ± 0.1 W"
};

}  // namespace

std::unique_ptr<StepRun> MakeRun(const AdjustStep& step) {
    return std::make_unique<AdjustRun>(step);
}

}  // namespace qs::procedure
