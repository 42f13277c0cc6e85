#include "instruments/roles.h"

namespace qs::instruments {

namespace {

constexpr std::array<const char*, 4> kRoleNames = {"generator", "power_meter",
                                                   "modulation_meter", "frequency_counter"};

constexpr std::array<QuantityFacts, 3> kQuantities = {{
    {Quantity::Power, Role::PowerMeter, Operation::MeasurePower, "power", "W"},
    {Quantity::Deviation, Role::ModulationMeter, Operation::MeasureDeviation, "deviation", "Hz"},
    {Quantity::Frequency, Role::FrequencyCounter, Operation::MeasureFrequency, "frequency", "Hz"},
}};

}  // namespace

const char* RoleName(Role role) {
    return kRoleNames[static_cast<std::size_t>(role)];
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

std::optional<Quantity> QuantityFromName(std::string_view name) {
    for (const QuantityFacts& facts : kQuantities) {
        if (name == facts.name) return facts.quantity;
    }
    return std::nullopt;
}

}  // namespace qs::instruments
