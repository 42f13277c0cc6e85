// The steps that set the generator or read a meter.
#include "instruments/bench.h"
#include "procedure/message_text.h"
#include "procedure/procedure_runner.h"
#include "procedure/shown_value.h"
#include "shell/application.h"

namespace qs::procedure {

std::optional<ChannelFrequencies> ProcedureRunner::TestChannel(
    std::initializer_list<Nominal::Source> needed) {
    const clsIndOp_RigK52T::TestChannel channel = parts_.app.model().testChannel();
    for (const Nominal::Source source : needed) {
        const bool rx = source == Nominal::Source::ChannelRx;
        if (source == Nominal::Source::Given || (rx ? channel.rxHz : channel.txHz)) continue;
        EndStep(StepOutcome::Fail,
                std::string("the test channel (channel ") + std::to_string(channel.number + 1) +
                    ") has no " + (rx ? "receive" : "transmit") +
                    " frequency: the channel inhibits it; choose another with CH No.");
        return std::nullopt;
    }
    return ChannelFrequencies{static_cast<double>(channel.rxHz.value_or(0)),
                              static_cast<double>(channel.txHz.value_or(0))};
}

void ProcedureRunner::SetGenerator(std::optional<double> hz, std::optional<double> dbm,
                                   std::optional<bool> rfOn, Then then) {
    using instruments::Status;
    instruments::Bench& bench = parts_.bench;
    const auto refused = [this](const Status& status) {
        Error("the generator: " + status.error().message);
    };
    if (hz) {
        bench.SetFrequency(*hz, BenchAnswer<Status>([=, this](const Status& status) {
            if (!status) return refused(status);
            AddValue({"generator frequency", NumberText(*hz) + " Hz", *hz, "Hz"});
            SetGenerator(std::nullopt, dbm, rfOn, then);
        }));
    } else if (dbm) {
        bench.SetLevel(*dbm, BenchAnswer<Status>([=, this](const Status& status) {
            if (!status) return refused(status);
            AddValue({"generator level", NumberText(*dbm) + " dBm", *dbm, "dBm"});
            SetGenerator(std::nullopt, std::nullopt, rfOn, then);
        }));
    } else if (rfOn) {
        bench.SetRf(*rfOn ? instruments::RfOutput::On : instruments::RfOutput::Off,
                    BenchAnswer<Status>([=, this](const Status& status) {
                        if (!status) return refused(status);
                        AddValue({"generator RF", *rfOn ? "on" : "off", std::nullopt, ""});
                        then();
                    }));
    } else {
        then();
    }
}

void ProcedureRunner::Measure(Quantity quantity, std::function<void(double value)> then,
                              std::function<void(const std::string& message)> failed) {
    using instruments::Measurement;
    using instruments::Result;
    parts_.bench.Measure(quantity, BenchAnswer<Result<Measurement>>(
                                       [then, failed](const Result<Measurement>& reading) {
                                           // A failed reading has no number to act on.
                                           if (!reading) {
                                               failed(reading.error().message);
                                               return;
                                           }
                                           then(reading.value().value);
                                       }));
}

void ProcedureRunner::RunGenerator(const GeneratorStep& step) {
    std::optional<double> hz;
    if (step.frequencyHz) {
        const auto channel = TestChannel({step.frequencyHz->source});
        if (!channel) return;
        hz = Resolve(*step.frequencyHz, *channel);
    }
    generatorUsed_ = true;
    SetGenerator(hz, step.levelDbm, step.rfOn, [this] { EndStep(StepOutcome::Pass, ""); });
}

void ProcedureRunner::RunMeasure(const MeasureStep& step) {
    ChannelFrequencies channel;
    if (step.limits.target) {
        const auto frequencies = TestChannel({step.limits.target->source});
        if (!frequencies) return;
        channel = *frequencies;
    }
    const StepLimits limits = MakeLimits(step.limits, QuantityUnit(step.quantity), channel);
    const Quantity quantity = step.quantity;
    Measure(
        quantity,
        [this, quantity, limits](double value) { Judge(MeasurementValue(quantity, value), limits); },
        [this](const std::string& message) { Error(message); });
}

}  // namespace qs::procedure
