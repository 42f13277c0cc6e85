#include "instruments/roles.h"

#include <cstdio>

namespace qs::instruments {

namespace {

constexpr std::array<const char*, 4> kRoleNames = {"generator", "power_meter",
                                                   "modulation_meter", "frequency_counter"};

constexpr std::array<const char*, 4> kRoleTitles = {"Generator", "Power meter",
                                                    "Modulation meter", "Frequency counter"};

constexpr std::array<QuantityFacts, 3> kQuantities = {{
    {Quantity::Power, Role::PowerMeter, Operation::MeasurePower, "power", "W"},
    {Quantity::Deviation, Role::ModulationMeter, Operation::MeasureDeviation, "deviation", "Hz"},
    {Quantity::Frequency, Role::FrequencyCounter, Operation::MeasureFrequency, "frequency", "Hz"},
}};

}  // namespace

const char* RoleName(Role role) {
    return kRoleNames[static_cast<std::size_t>(role)];
}

const char* RoleTitle(Role role) {
    return kRoleTitles[static_cast<std::size_t>(role)];
}

std::optional<Role> RoleFromName(std::string_view name) {
    for (Role role : kRoles) {
        if (name == RoleName(role)) return role;
    }
    return std::nullopt;
}

const QuantityFacts& FactsOf(Quantity quantity) {
    return kQuantities[static_cast<std::size_t>(quantity)];
}

std::string MeasurementText(const Measurement& reading) {
    char text[64];
    switch (reading.quantity) {
        case Quantity::Power:
            std::snprintf(text, sizeof text, "%.4g %s", reading.value, reading.unit);
            break;
        case Quantity::Deviation:
            std::snprintf(text, sizeof text, "%.0f %s", reading.value, reading.unit);
            break;
        case Quantity::Frequency:
            std::snprintf(text, sizeof text, "%.1f %s", reading.value, reading.unit);
            break;
    }
    return text;
}

std::optional<Quantity> QuantityFromName(std::string_view name) {
    for (const QuantityFacts& facts : kQuantities) {
        if (name == facts.name) return facts.quantity;
    }
    return std::nullopt;
}

}  // namespace qs::instruments
