#include "scpi_units.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace qtsim {

namespace {

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> splitNodes(const std::string& text) {
    std::vector<std::string> nodes;
    std::size_t start = 0;
    while (true) {
        const auto colon = text.find(':', start);
        nodes.push_back(text.substr(start, colon == std::string::npos ? std::string::npos
                                                                      : colon - start));
        if (colon == std::string::npos) return nodes;
        start = colon + 1;
    }
}

struct PatternNode {
    std::string longForm;   // upper case
    std::string shortForm;  // the capitals
    bool optional;
};

std::vector<PatternNode> parsePattern(const std::string& pattern) {
    std::vector<PatternNode> nodes;
    std::string current;
    bool optional = false;
    auto flush = [&] {
        if (current.empty()) return;
        std::string shortForm;
        for (char c : current) {
            if (std::islower(static_cast<unsigned char>(c))) break;
            shortForm += c;
        }
        nodes.push_back({upper(current), shortForm, optional});
        current.clear();
    };
    for (char c : pattern) {
        if (c == '[') {
            flush();
            optional = true;
        } else if (c == ']') {
            flush();
            optional = false;
        } else if (c == ':') {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return nodes;
}

bool matchFrom(const std::vector<PatternNode>& pattern, std::size_t p,
               const std::vector<std::string>& header, std::size_t h) {
    if (p == pattern.size()) return h == header.size();
    const PatternNode& node = pattern[p];
    const bool here = h < header.size() &&
                      (header[h] == node.longForm || header[h] == node.shortForm) &&
                      matchFrom(pattern, p + 1, header, h + 1);
    return here || (node.optional && matchFrom(pattern, p + 1, header, h));
}

}  // namespace

std::vector<ScpiUnit> splitProgramMessage(const std::string& line) {
    std::vector<std::string> pieces(1);
    char quote = 0;
    for (char c : line) {
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            pieces.emplace_back();
            continue;
        }
        pieces.back() += c;
    }
    std::vector<ScpiUnit> units;
    for (const std::string& piece : pieces) {
        const std::string text = trim(piece);
        if (text.empty()) continue;
        const auto blank = text.find_first_of(" \t");
        ScpiUnit unit;
        unit.header = text.substr(0, blank);
        if (blank != std::string::npos) unit.parameters = trim(text.substr(blank));
        if (!unit.header.empty() && unit.header.front() == ':') unit.header.erase(0, 1);
        if (!unit.header.empty() && unit.header.back() == '?') {
            unit.query = true;
            unit.header.pop_back();
        }
        units.push_back(unit);
    }
    return units;
}

bool headerMatches(const std::string& pattern, const std::string& header) {
    if (header.empty()) return false;
    return matchFrom(parsePattern(pattern), 0, splitNodes(upper(header)), 0);
}

std::optional<double> parseNumeric(const std::string& text, const std::vector<Suffix>& suffixes,
                                   int* errorCode) {
    const std::string value = trim(text);
    std::size_t at = 0;
    if (at < value.size() && (value[at] == '+' || value[at] == '-')) ++at;
    bool digits = false;
    while (at < value.size() && (std::isdigit(static_cast<unsigned char>(value[at])) || value[at] == '.')) {
        digits = digits || value[at] != '.';
        ++at;
    }
    if (digits && at < value.size() && (value[at] == 'e' || value[at] == 'E')) {
        std::size_t e = at + 1;
        if (e < value.size() && (value[e] == '+' || value[e] == '-')) ++e;
        if (e < value.size() && std::isdigit(static_cast<unsigned char>(value[e]))) {
            at = e;
            while (at < value.size() && std::isdigit(static_cast<unsigned char>(value[at])))
                ++at;
        }
    }
    char* end = nullptr;
    const std::string number = value.substr(0, at);
    const double parsed = digits ? std::strtod(number.c_str(), &end) : 0.0;
    if (!digits || end != number.c_str() + number.size() || !std::isfinite(parsed)) {
        *errorCode = -104;
        return std::nullopt;
    }
    const std::string suffix = upper(trim(value.substr(at)));
    if (suffix.empty()) return parsed;
    for (const Suffix& s : suffixes) {
        if (suffix == s.name) return parsed * s.multiplier;
    }
    *errorCode = -131;
    return std::nullopt;
}

std::optional<bool> parseBoolean(const std::string& text) {
    const std::string value = upper(trim(text));
    if (value == "ON" || value == "1") return true;
    if (value == "OFF" || value == "0") return false;
    return std::nullopt;
}

}  // namespace qtsim
