// What a step asks of the bench: the generator set, a meter read, the test channel's
// frequencies for them.
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
    // Whatever ends the run from here, the generator is switched off at its end.
    end_.generatorUsed = true;
    const auto refused = [this](const Status& status) {
        EndStep(StepOutcome::Error, "the generator: " + status.error().message);
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

void ProcedureRunner::SwitchRfOff(std::function<void(std::string note)> then) {
    parts_.bench.SetRf(instruments::RfOutput::Off,
                       BenchAnswer<instruments::Status>([then](const instruments::Status& status) {
                           then(status ? "generator RF switched off"
                                       : "generator RF could not be switched off: " +
                                             status.error().message);
                       }));
}

bool ProcedureRunner::HasGenerator() const {
    return !parts_.bench.Address(instruments::Role::Generator).empty();
}

}  // namespace qs::procedure
