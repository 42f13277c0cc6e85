#pragma once

// SCPI program messages as the virtual service monitor reads them: a line split into its
// units at ';' (outside quotes), each a header and its parameter text; headers matched against
// patterns in SCPI's notation ("[SOURce:]FREQuency[:CW]": the capitals are the short form,
// brackets mark an optional node, any case is accepted); numbers with an optional unit suffix.
// Every unit is taken from the root of the command tree.

#include <optional>
#include <string>
#include <vector>

namespace qtsim {

struct ScpiUnit {
    std::string header;      // without a leading ':' and without the '?'
    bool query = false;
    std::string parameters;  // trimmed; empty when none
};

std::vector<ScpiUnit> splitProgramMessage(const std::string& line);

bool headerMatches(const std::string& pattern, const std::string& header);

struct Suffix {
    const char* name;  // upper case, as "MHZ"
    double multiplier;
};

// A decimal number, optionally followed by one of `suffixes` (any case, blank before it
// allowed). On failure `errorCode` is the SCPI error: -104 not a number, -131 bad suffix.
std::optional<double> parseNumeric(const std::string& text, const std::vector<Suffix>& suffixes,
                                   int* errorCode);

// ON, OFF, 1 or 0 (any case); nothing for anything else.
std::optional<bool> parseBoolean(const std::string& text);

}  // namespace qtsim
