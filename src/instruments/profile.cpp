#include "instruments/profile.h"

#include <algorithm>
#include <charconv>

#include "instruments/scpi_text.h"

namespace qs::instruments {

namespace {

constexpr std::size_t kMaxLineChars = 1000;
constexpr long kMaxTimeoutMs = 60000;

enum class Shape {
    Query,        // one query
    Settings,     // settings only, no value
    Setting,      // settings carrying the value as the placeholder
    Measurement,  // settings, then one query
};

struct OperationRule {
    Operation operation;
    const char* key;
    Shape shape;
    const char* placeholder;  // for Setting
    const char* standard;     // the SCPI default, or null when the operation is optional
};

constexpr std::array<OperationRule, kOperationCount> kRules = {{
    {Operation::Identify, "identify", Shape::Query, nullptr, "*IDN?"},
    {Operation::Reset, "reset", Shape::Settings, nullptr, "*RST"},
    {Operation::Clear, "clear", Shape::Settings, nullptr, "*CLS"},
    {Operation::ErrorQuery, "error_query", Shape::Query, nullptr, "SYST:ERR?"},
    {Operation::SetFrequency, "set_frequency", Shape::Setting, "{hz}", nullptr},
    {Operation::SetLevel, "set_level", Shape::Setting, "{dbm}", nullptr},
    {Operation::RfOn, "rf_on", Shape::Settings, nullptr, nullptr},
    {Operation::RfOff, "rf_off", Shape::Settings, nullptr, nullptr},
    {Operation::MeasurePower, "measure_power", Shape::Measurement, nullptr, nullptr},
    {Operation::MeasureDeviation, "measure_deviation", Shape::Measurement, nullptr, nullptr},
    {Operation::MeasureFrequency, "measure_frequency", Shape::Measurement, nullptr, nullptr},
}};

constexpr char kGenericText[] =
    "name = generic\n"
    "set_frequency = FREQ {hz}\n"
    "set_level = POW {dbm}\n"
    "rf_on = OUTP ON\n"
    "rf_off = OUTP OFF\n"
    "measure_power = UNIT:POW W\n"
    "measure_power = MEAS:POW?\n"
    "measure_deviation = MEAS:FM:DEV?\n"
    "measure_frequency = MEAS:FREQ?\n";

const OperationRule& RuleOf(Operation operation) {
    return kRules[static_cast<std::size_t>(operation)];
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        const auto newline = text.find('\n', start);
        lines.push_back(text.substr(start, newline == std::string::npos ? std::string::npos
                                                                          : newline - start));
        if (newline == std::string::npos) return lines;
        start = newline + 1;
    }
}

bool EndsInQuery(const std::string& command) {
    return IsQueryMessage(command);
}

// The placeholders in a command ("{hz}"), or an error text.
Result<std::vector<std::string>> Placeholders(const std::string& command) {
    std::vector<std::string> found;
    std::size_t at = 0;
    while ((at = command.find('{', at)) != std::string::npos) {
        const auto close = command.find('}', at);
        if (close == std::string::npos) {
            return InstrumentError{Fault::BadProfile, "a '{' without its '}'"};
        }
        const std::string name = command.substr(at, close - at + 1);
        if (name != "{hz}" && name != "{dbm}") {
            return InstrumentError{Fault::BadProfile,
                                   "unknown placeholder " + name + " (there are {hz} and {dbm})"};
        }
        found.push_back(name);
        at = close + 1;
    }
    if (command.find('}') != std::string::npos && found.empty()) {
        return InstrumentError{Fault::BadProfile, "a '}' without its '{'"};
    }
    return found;
}

// Why one command does not fit its operation at its place, or an empty text.
std::string CheckCommand(const OperationRule& rule, const std::string& command) {
    const Result<std::vector<std::string>> placeholders = Placeholders(command);
    if (!placeholders) return placeholders.error().message;
    for (const std::string& name : placeholders.value()) {
        if (rule.placeholder == nullptr || name != rule.placeholder) {
            return std::string(rule.key) + " takes no " + name;
        }
    }
    if (rule.shape != Shape::Query && rule.shape != Shape::Measurement && EndsInQuery(command)) {
        return std::string(rule.key) + " is a setting; '" + command + "' is a query";
    }
    return {};
}

// Why the whole list of an operation is wrong, or an empty text.
std::string CheckOperation(const OperationRule& rule, const std::vector<std::string>& commands) {
    switch (rule.shape) {
        case Shape::Query:
            if (commands.size() != 1) return std::string(rule.key) + " takes one query";
            if (!EndsInQuery(commands[0])) {
                return std::string(rule.key) + " must be a query (end in '?')";
            }
            return {};
        case Shape::Measurement:
            if (!EndsInQuery(commands.back())) {
                return std::string(rule.key) + " must end with a query (a command ending in '?')";
            }
            for (std::size_t i = 0; i + 1 < commands.size(); ++i) {
                if (EndsInQuery(commands[i])) {
                    return std::string(rule.key) + " has a query before its last command";
                }
            }
            return {};
        case Shape::Setting: {
            const bool carries = std::any_of(commands.begin(), commands.end(), [&](const auto& c) {
                return c.find(rule.placeholder) != std::string::npos;
            });
            if (!carries) return std::string(rule.key) + " must carry the value as " + rule.placeholder;
            return {};
        }
        case Shape::Settings:
            return {};
    }
    return {};
}

}  // namespace

const char* OperationKey(Operation operation) {
    return RuleOf(operation).key;
}

Result<Profile> ParseProfile(const std::string& text, const std::string& fileName) {
    Profile profile;
    std::array<int, kOperationCount> firstLine{};
    bool named = false;
    bool timed = false;
    auto fail = [&](int line, const std::string& why) {
        return InstrumentError{Fault::BadProfile,
                               fileName + ":" + std::to_string(line) + ": " + why};
    };
    const std::vector<std::string> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        if (lines[i].size() > kMaxLineChars) return fail(lineNumber, "the line is too long");
        const std::string line = Trim(lines[i]);
        if (line.empty() || line[0] == '#') continue;
        if (std::any_of(line.begin(), line.end(), [](unsigned char c) {
                return (c < 0x20 && c != '\t') || c == 0x7F;
            })) {
            return fail(lineNumber, "the line holds control characters");
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) return fail(lineNumber, "expected KEY = COMMAND");
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (value.empty()) return fail(lineNumber, "'" + key + "' has no value");
        if (key == "name") {
            if (named) return fail(lineNumber, "the name is given twice");
            named = true;
            profile.name = value;
        } else if (key == "timeout_ms") {
            if (timed) return fail(lineNumber, "timeout_ms is given twice");
            timed = true;
            long ms = 0;
            const auto last = value.data() + value.size();
            const auto parsed = std::from_chars(value.data(), last, ms);
            if (parsed.ptr != last || parsed.ec != std::errc() || ms < 1 || ms > kMaxTimeoutMs) {
                return fail(lineNumber, "timeout_ms must be a whole number of milliseconds from "
                                        "1 to 60000, not '" + value + "'");
            }
            profile.answerTimeout = std::chrono::milliseconds(ms);
        } else {
            const auto rule = std::find_if(kRules.begin(), kRules.end(),
                                           [&](const OperationRule& r) { return key == r.key; });
            if (rule == kRules.end()) {
                std::string known;
                for (const OperationRule& r : kRules)
                    known += std::string(known.empty() ? "" : ", ") + r.key;
                return fail(lineNumber, "unknown key '" + key + "' (known: name, timeout_ms, " +
                                            known + ")");
            }
            if (const std::string why = CheckCommand(*rule, value); !why.empty()) {
                return fail(lineNumber, why);
            }
            const auto index = static_cast<std::size_t>(rule->operation);
            if (profile.commands[index].empty()) firstLine[index] = lineNumber;
            profile.commands[index].push_back(value);
        }
    }
    bool anyRole = false;
    for (const OperationRule& rule : kRules) {
        auto& commands = profile.commands[static_cast<std::size_t>(rule.operation)];
        if (commands.empty()) {
            if (rule.standard != nullptr) commands.push_back(rule.standard);
            continue;
        }
        if (rule.standard == nullptr) anyRole = true;
        if (const std::string why = CheckOperation(rule, commands); !why.empty()) {
            return fail(firstLine[static_cast<std::size_t>(rule.operation)], why);
        }
    }
    if (!anyRole) {
        return InstrumentError{Fault::BadProfile,
                               fileName + ": no operation of a generator or a meter is given"};
    }
    if (profile.name.empty()) {
        const auto slash = fileName.find_last_of('/');
        profile.name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    }
    return profile;
}

const Profile& GenericProfile() {
    static const Profile kGeneric = ParseProfile(kGenericText, "generic").value();
    return kGeneric;
}

std::vector<std::string> ExpandCommands(const Profile& profile, Operation operation,
                                        double value) {
    std::vector<std::string> out = profile.Commands(operation);
    const char* placeholder = RuleOf(operation).placeholder;
    if (placeholder == nullptr) return out;
    const std::string name = placeholder;
    const std::string number = FormatScpiNumber(value);
    for (std::string& command : out) {
        for (auto at = command.find(name); at != std::string::npos; at = command.find(name, at)) {
            command.replace(at, name.size(), number);
            at += number.size();
        }
    }
    return out;
}

}  // namespace qs::instruments
