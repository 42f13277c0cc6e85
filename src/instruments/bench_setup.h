#pragma once

// What the technician set up for the bench, as the settings keep it between runs: for each
// role the instrument's address and, where it does not speak the generic profile, its
// profile file; and how long an answer may take.

#include <array>
#include <chrono>
#include <optional>
#include <string>

#include "instruments/bench.h"
#include "instruments/calibration.h"
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

// When the instrument of a role is next due for calibration, as the technician wrote it in
// the settings. Only read: the program never writes it.
struct CalibrationDue {
    std::string date;     // "2027-03-31"; empty when the settings give none or a wrong one
    std::string problem;  // why the settings' value was not taken; empty when it was
    // As the settings write it, a wrong date too: what a run records, so that its report says
    // the date was unreadable rather than not given.
    std::string written;
    bool operator==(const CalibrationDue&) const = default;
};

struct BenchSetup {
    std::array<RoleSetup, kRoles.size()> roles;
    // None: the profile's own time, else 2 s.
    std::optional<std::chrono::milliseconds> answerTimeout;
    std::array<CalibrationDue, kRoles.size()> calibration;
    // What a run does with an instrument that is overdue or has no readable date.
    CalibrationPolicy calibrationPolicy = CalibrationPolicy::Warn;
    std::string calibrationPolicyProblem;  // a value that is neither warn nor refuse

    RoleSetup& role(Role r) { return roles[static_cast<std::size_t>(r)]; }
    const RoleSetup& role(Role r) const { return roles[static_cast<std::size_t>(r)]; }
    const CalibrationDue& calibrationDue(Role r) const {
        return calibration[static_cast<std::size_t>(r)];
    }
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
//   ...
//   answer_timeout_ms=2000
//   generator_calibration_due=2027-03-31
//   calibration_check=warn
//
// Keys are the role names; a missing key or an empty value means no instrument (or the
// generic profile); a time-out that is not a whole number from 100 to 60000 means none. A
// calibration date is a day YYYY-MM-DD; anything else is kept as the role's problem.
// calibration_check is warn (also when empty) or refuse, in any case; anything else is kept
// as a problem and warn is used.
inline constexpr const char* kCalibrationDueSuffix = "_calibration_due";
inline constexpr const char* kCalibrationCheckKey = "calibration_check";
inline constexpr const char* kBenchSettingsSection = "BENCH";

BenchSetup LoadBenchSettings(IProfileStore& store, const std::string& file);
// Whether `text` is a day of the calendar written YYYY-MM-DD ("2028-02-29" is, "2027-02-29"
// and "2027-3-1" are not).
bool IsIsoDay(const std::string& text);
// Writes the keys that differ from `before` (every key when it is not given). False when the
// file could not be written (a line break in a value is refused as well).
bool SaveBenchSettings(IProfileStore& store, const std::string& file, const BenchSetup& setup,
                       const std::optional<BenchSetup>& before = std::nullopt);

}  // namespace qs::instruments
