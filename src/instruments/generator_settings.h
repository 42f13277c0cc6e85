#pragma once

#include <optional>
#include <string>

#include "instruments/bench.h"
#include "instruments/roles.h"

namespace qs::instruments {

// What a technician asks of the generator at once; each part may be left out.
struct GeneratorSettings {
    std::optional<double> frequencyHz;
    std::optional<double> levelDbm;
    std::optional<RfOutput> rf;
    bool empty() const { return !frequencyHz && !levelDbm && !rf; }
};

// Beyond these no bench generator goes; a value outside is a typing mistake.
inline constexpr double kMaxGeneratorHz = 100e9;
inline constexpr double kMinGeneratorDbm = -200.0;
inline constexpr double kMaxGeneratorDbm = 50.0;

// Why the values cannot be meant, empty when they can.
std::string GeneratorSettingsMistake(const GeneratorSettings& settings);

// Sets them in the order that never puts a signal out at the wrong frequency or level: RF off
// first, then frequency and level, RF on last. Stops at the first that fails; `done` gets
// its error, or Ok when all were set (at once, inside the call, when there is nothing to set).
void ApplyGeneratorSettings(Bench& bench, const GeneratorSettings& settings,
                            Bench::StatusDone done);

}  // namespace qs::instruments
