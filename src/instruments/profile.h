#pragma once

// A profile maps each operation on an instrument to the command text it sends. The built-in
// profile "generic" suits instruments with the common SCPI commands; a shop writes a profile
// file for an instrument that differs. The file format:
//
//   # Lines starting with '#' and blank lines are ignored.
//   name = bench-monitor-2          optional; the file's name otherwise
//   timeout_ms = 5000               optional time for each answer, 1 to 60000 (default 2000)
//   set_frequency = FREQ {hz}
//   set_level = POW {dbm}
//   rf_on = OUTP ON
//   rf_off = OUTP OFF
//   measure_power = UNIT:POW W      a key given again adds a command, sent in order:
//   measure_power = MEAS:POW?       settings first, the query that gives the reading last
//   measure_deviation = MEAS:FM:DEV?
//   measure_frequency = MEAS:FREQ?
//
// identify (*IDN?), reset (*RST), clear (*CLS) and error_query (SYST:ERR?) default to the
// commands every SCPI instrument has. An operation left out is one the instrument does not
// offer; asking for it is refused with a message. {hz} and {dbm} stand for the value of a
// setting, written as a plain decimal number (146520000, -47.5). Settings must not end in
// '?'; identify, error_query and the last command of a measurement must. Each error names the
// file and the line.

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "instruments/result.h"

namespace qs::instruments {

enum class Operation {
    Identify,
    Reset,
    Clear,
    ErrorQuery,
    SetFrequency,
    SetLevel,
    RfOn,
    RfOff,
    MeasurePower,
    MeasureDeviation,
    MeasureFrequency,
};
inline constexpr std::size_t kOperationCount = 11;

// The key of an operation in a profile file ("set_frequency").
const char* OperationKey(Operation operation);

struct Profile {
    std::string name;
    // Per operation, the commands in the order they are sent; empty when not offered.
    std::array<std::vector<std::string>, kOperationCount> commands;
    std::optional<std::chrono::milliseconds> answerTimeout;

    const std::vector<std::string>& Commands(Operation operation) const {
        return commands[static_cast<std::size_t>(operation)];
    }
    bool Offers(Operation operation) const { return !Commands(operation).empty(); }

    bool operator==(const Profile&) const = default;
};

// The built-in profile "generic".
const Profile& GenericProfile();

// Reads a profile from the text of a file; `fileName` names it in every error.
Result<Profile> ParseProfile(const std::string& text, const std::string& fileName);

// The commands of an operation with {hz} or {dbm} replaced by `value`.
std::vector<std::string> ExpandCommands(const Profile& profile, Operation operation,
                                        double value = 0.0);

}  // namespace qs::instruments
