#pragma once

// What the technician set up for the bench, as the settings keep it between runs: for each
// role the instrument's address and, where it does not speak the generic profile, its
// profile file; and how long an answer may take.

#include <array>
#include <chrono>
#include <optional>
#include <string>

#include "instruments/bench.h"
#include "instruments/result.h"
#include "instruments/roles.h"
#include "platform/profile_store.h"

namespace qs::instruments {

inline constexpr std::chrono::milliseconds kMinAnswerTimeout{100};
inline constexpr std::chrono::milliseconds kMaxAnswerTimeout{60000};

struct RoleSetup {
    std::string address;      // empty: no instrument holds the role
    std::string profileFile;  // empty: the generic profile
    bool operator==(const RoleSetup&) const = default;
};

struct BenchSetup {
    std::array<RoleSetup, kRoles.size()> roles;
    // None: the profile's own time, else 2 s.
    std::optional<std::chrono::milliseconds> answerTimeout;
    // By role, the day its instrument's calibration runs out, "2027-03-01"; empty when not
    // given. It belongs to the instrument at the role's address.
    std::array<std::string, kRoles.size()> calibrationDue;
    // By role, why the settings' calibration day was not taken; empty when it was or none
    // was given.
    std::array<std::string, kRoles.size()> calibrationProblem;

    RoleSetup& role(Role r) { return roles[static_cast<std::size_t>(r)]; }
    const RoleSetup& role(Role r) const { return roles[static_cast<std::size_t>(r)]; }
    bool operator==(const BenchSetup&) const = default;
};

// How to speak to an instrument set up as `role`: its profile file read, the time-out.
Result<InstrumentOptions> OptionsFor(const RoleSetup& role,
                                     std::optional<std::chrono::milliseconds> answerTimeout);

// The bench's section of the settings file, beside the window's options:
//
//   [BENCH]
//   generator=TCPIP::192.168.1.20::5025::SOCKET
//   generator_profile=/home/tech/bench/sm-2.profile
//   power_meter=TCPIP::192.168.1.20::5025::SOCKET
//   power_meter_profile=
//   power_meter_calibration_due=2027-03-01
//   ...
//   answer_timeout_ms=2000
//
// Keys are the role names; a missing key or an empty value means no instrument (or the
// generic profile); a time-out that is not a whole number from 100 to 60000 means none.
inline constexpr const char* kBenchSettingsSection = "BENCH";

// Whether `text` is a calendar day written "2027-03-01".
bool IsCalendarDay(const std::string& text);

BenchSetup LoadBenchSettings(IProfileStore& store, const std::string& file);
// Writes the keys that differ from `before` (every key when it is not given). False when the
// file could not be written (a line break in a value is refused as well).
bool SaveBenchSettings(IProfileStore& store, const std::string& file, const BenchSetup& setup,
                       const std::optional<BenchSetup>& before = std::nullopt);

}  // namespace qs::instruments
