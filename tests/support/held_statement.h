#pragma once

// Reads what the program says the radio holds, to hold it against what the radio itself took.

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace qs::testing {

// The numbers in "150", "150 and 200" or "150, 160 and 200".
inline std::vector<int> NumbersIn(const std::string& text) {
    std::vector<int> numbers;
    for (std::size_t i = 0; i < text.size();) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        numbers.push_back(std::stoi(text.substr(i, end - i)));
        i = end;
    }
    return numbers;
}

// Whether what `message` says of `name` fits `truth`, the value the radio holds: "NAME is back
// at V" and "NAME = V" must be the truth; "NAME: sent X and Y, not confirmed; the radio held Z
// before" must be one of X, Y and Z. Not named at all: the radio holds `start`.
inline bool StatementFits(const std::string& message, const std::vector<std::string>& names,
                          int truth, int start) {
    for (const std::string& n : names) {
        for (const std::string& said : {n + " is back at ", n + " = "}) {
            const std::size_t at = message.find(said);
            if (at == std::string::npos) continue;
            return std::stoi(message.substr(at + said.size())) == truth;
        }
        const std::string sent = n + ": sent ";
        const std::size_t at = message.find(sent);
        if (at == std::string::npos) continue;
        const std::string before = "; the radio held ";
        const std::size_t held = message.find(before, at);
        if (held == std::string::npos) return false;
        std::vector<int> possible =
            NumbersIn(message.substr(at + sent.size(), held - at - sent.size()));
        possible.push_back(std::stoi(message.substr(held + before.size())));
        return std::find(possible.begin(), possible.end(), truth) != possible.end();
    }
    return truth == start;
}

}  // namespace qs::testing
