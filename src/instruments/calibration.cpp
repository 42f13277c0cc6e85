#include "instruments/calibration.h"

#include <array>

#include "instruments/bench_setup.h"

namespace qs::instruments {

namespace {

// What the words of a note say, in the order a note lists them: the gravest first.
constexpr std::array<CalibrationState, 3> kNoted = {
    CalibrationState::Overdue, CalibrationState::Unreadable, CalibrationState::NotGiven};

const char* StateWords(CalibrationState state) {
    switch (state) {
        case CalibrationState::Overdue: return "calibration overdue";
        case CalibrationState::Unreadable: return "calibration date unreadable";
        case CalibrationState::NotGiven: return "calibration date not given";
        case CalibrationState::Current: break;
    }
    return "calibration current";
}

// "a", "a and b", "a, b and c".
std::string Listed(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
        text += words[i];
    }
    return text;
}

}  // namespace

CalibrationState CalibrationStateOn(const std::string& due, const std::string& day) {
    if (due.empty()) return CalibrationState::NotGiven;
    if (!IsIsoDay(due)) return CalibrationState::Unreadable;
    // Days written YYYY-MM-DD compare as text.
    return due < day ? CalibrationState::Overdue : CalibrationState::Current;
}

std::string RoleWords(const std::string& roleName) {
    std::string words = roleName;
    for (char& c : words)
        if (c == '_') c = ' ';
    return words;
}

std::string CalibrationWarning(Role role, const std::string& address, const std::string& due,
                               CalibrationState state) {
    const std::string name = RoleName(role);
    const std::string key = name + kCalibrationDueSuffix;
    std::string why;
    switch (state) {
        case CalibrationState::Current: return {};
        case CalibrationState::Overdue: why = "due " + due; break;
        case CalibrationState::NotGiven: why = "the bench settings give no " + key; break;
        case CalibrationState::Unreadable:
            why = "the bench settings' " + key + " is not a day YYYY-MM-DD: '" + due + "'";
            break;
    }
    return RoleWords(name) + " " + StateWords(state) + ": " + why + " (" + address + ")";
}

std::string CalibrationNote(const std::vector<RoleCalibration>& instruments,
                            const std::string& day) {
    std::string note;
    for (const CalibrationState state : kNoted) {
        std::vector<std::string> roles;
        for (const RoleCalibration& i : instruments)
            if (CalibrationStateOn(i.due, day) == state) roles.push_back(RoleWords(i.role));
        if (roles.empty()) continue;
        note += (note.empty() ? "" : "; ") + Listed(roles) + " " + StateWords(state);
    }
    return note;
}

}  // namespace qs::instruments
