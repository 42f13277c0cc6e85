#include "instruments/generator_settings.h"

#include <cmath>
#include <memory>
#include <vector>

#include "instruments/scpi_text.h"

namespace qs::instruments {

namespace {

using Step = std::function<void(Bench::StatusDone)>;

// Runs the steps one after the other, each when the one before has succeeded.
void RunSteps(std::shared_ptr<std::vector<Step>> steps, std::size_t next, Bench::StatusDone done) {
    if (next >= steps->size()) {
        done(Ok());
        return;
    }
    Step step = (*steps)[next];
    step([steps, next, done = std::move(done)](const Status& status) mutable {
        if (!status) {
            done(status);
            return;
        }
        RunSteps(steps, next + 1, std::move(done));
    });
}

}  // namespace

std::string GeneratorSettingsMistake(const GeneratorSettings& settings) {
    if (settings.frequencyHz &&
        (!std::isfinite(*settings.frequencyHz) || *settings.frequencyHz <= 0.0 ||
         *settings.frequencyHz > kMaxGeneratorHz)) {
        return "the frequency must be above 0 and at most " + FormatScpiNumber(kMaxGeneratorHz) +
               " Hz";
    }
    if (settings.levelDbm &&
        (!std::isfinite(*settings.levelDbm) || *settings.levelDbm < kMinGeneratorDbm ||
         *settings.levelDbm > kMaxGeneratorDbm)) {
        return "the level must be from " + FormatScpiNumber(kMinGeneratorDbm) + " to " +
               FormatScpiNumber(kMaxGeneratorDbm) + " dBm";
    }
    return {};
}

void ApplyGeneratorSettings(Bench& bench, const GeneratorSettings& settings,
                            Bench::StatusDone done) {
    auto steps = std::make_shared<std::vector<Step>>();
    Bench* b = &bench;
    if (settings.rf == RfOutput::Off) {
        steps->push_back([b](Bench::StatusDone d) { b->SetRf(RfOutput::Off, std::move(d)); });
    }
    if (const auto hz = settings.frequencyHz) {
        steps->push_back([b, hz](Bench::StatusDone d) { b->SetFrequency(*hz, std::move(d)); });
    }
    if (const auto dbm = settings.levelDbm) {
        steps->push_back([b, dbm](Bench::StatusDone d) { b->SetLevel(*dbm, std::move(d)); });
    }
    if (settings.rf == RfOutput::On) {
        steps->push_back([b](Bench::StatusDone d) { b->SetRf(RfOutput::On, std::move(d)); });
    }
    RunSteps(steps, 0, std::move(done));
}

}  // namespace qs::instruments
