#pragma once

// The logical instruments of the bench. One instrument (one address) may hold several roles,
// as a service monitor holds all four.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "instruments/profile.h"

namespace qs::instruments {

enum class Role { Generator, PowerMeter, ModulationMeter, FrequencyCounter };
inline constexpr std::array<Role, 4> kRoles = {Role::Generator, Role::PowerMeter,
                                               Role::ModulationMeter, Role::FrequencyCounter};

// "generator", "power_meter", "modulation_meter", "frequency_counter": the names that
// settings, procedure files and the command line use.
const char* RoleName(Role role);
std::optional<Role> RoleFromName(std::string_view name);
// "Generator", "Power meter", "Modulation meter", "Frequency counter": for people.
const char* RoleTitle(Role role);

// What the meters measure, each with its unit.
enum class Quantity { Power, Deviation, Frequency };

struct QuantityFacts {
    Quantity quantity;
    Role role;            // the meter that measures it
    Operation operation;  // its profile operation
    const char* name;     // "power", "deviation", "frequency"
    const char* unit;     // "W", "Hz", "Hz"
};
const QuantityFacts& FactsOf(Quantity quantity);
std::optional<Quantity> QuantityFromName(std::string_view name);

enum class RfOutput { Off, On };

// One reading of a meter. Only a successful Result carries one.
struct Measurement {
    Quantity quantity = Quantity::Power;
    double value = 0.0;
    const char* unit = "W";
};

// A reading for people, to the resolution a bench meter gives: power to 4 significant digits
// ("4.921 W"), deviation to the hertz ("4500 Hz"), a frequency to a tenth of a hertz
// ("146519780.2 Hz").
std::string MeasurementText(const Measurement& reading);

}  // namespace qs::instruments
