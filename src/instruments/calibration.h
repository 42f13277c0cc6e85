#pragma once

// Whether a bench instrument's calibration is current, judged on a day from the date the
// bench settings give for its role, and the words the run's start, its banner and its report
// say about one that is not.

#include <string>
#include <vector>

#include "instruments/roles.h"

namespace qs::instruments {

enum class CalibrationState {
    Current,     // due on the day or later
    Overdue,     // the day is past the date
    NotGiven,    // the settings give no date for the role
    Unreadable,  // the settings' text is no day YYYY-MM-DD
};

// `due` as the bench settings write it ("2027-03-31", empty, or text that is no day), judged
// on `day` (YYYY-MM-DD).
CalibrationState CalibrationStateOn(const std::string& due, const std::string& day);

// What a run does when an instrument it uses is not current: say so and go on, or not start.
enum class CalibrationPolicy { Warn, Refuse };

// "power meter" for "power_meter": a role's name as a sentence says it, also for a name the
// program does not know.
std::string RoleWords(const std::string& roleName);

// A line for the run's start, naming the instrument and what is wrong, e.g. "generator
// calibration overdue: due 2026-06-30 (TCPIP::10.0.0.5::5025::SOCKET)". Empty when current.
std::string CalibrationWarning(Role role, const std::string& address, const std::string& due,
                               CalibrationState state);

// An instrument of a run: its role's name ("power_meter") and its date as written.
struct RoleCalibration {
    std::string role;
    std::string due;
};

// Beside a verdict, the instruments that were not current on `day`, grouped by what was wrong:
// "generator calibration overdue; power meter and frequency counter calibration date not
// given". Empty when all were current.
std::string CalibrationNote(const std::vector<RoleCalibration>& instruments, const std::string& day);

}  // namespace qs::instruments
