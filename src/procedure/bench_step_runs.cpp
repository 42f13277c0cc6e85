// The steps that set the generator or read a meter.
#include "procedure/shown_value.h"
#include "procedure/step_run.h"

namespace qs::procedure {
namespace {

class GeneratorRun final : public StepRun {
public:
    explicit GeneratorRun(const GeneratorStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        std::optional<double> hz;
        if (step_.frequencyHz) {
            const auto channel = host.TestChannel({step_.frequencyHz->source});
            if (!channel) return;
            hz = Resolve(*step_.frequencyHz, *channel);
        }
        host.SetGenerator(hz, step_.levelDbm, step_.rfOn,
                          [&host] { host.End(StepOutcome::Pass, ""); });
    }

private:
    const GeneratorStep& step_;
};

class MeasureRun final : public StepRun {
public:
    explicit MeasureRun(const MeasureStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        ChannelFrequencies channel;
        if (step_.limits.target) {
            const auto frequencies = host.TestChannel({step_.limits.target->source});
            if (!frequencies) return;
            channel = *frequencies;
        }
        const StepLimits limits = MakeLimits(step_.limits, QuantityUnit(step_.quantity), channel);
        const Quantity quantity = step_.quantity;
        host.Measure(
            quantity,
            [&host, quantity, limits](double value) {
                host.Judge(MeasurementValue(quantity, value), limits);
            },
            [&host](const std::string& message) { host.End(StepOutcome::Error, message); });
    }

private:
    const MeasureStep& step_;
};

}  // namespace

std::unique_ptr<StepRun> MakeRun(const GeneratorStep& step) {
    return std::make_unique<GeneratorRun>(step);
}
std::unique_ptr<StepRun> MakeRun(const MeasureStep& step) {
    return std::make_unique<MeasureRun>(step);
}

}  // namespace qs::procedure
