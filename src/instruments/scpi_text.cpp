#include "instruments/scpi_text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace qs::instruments {

namespace {

constexpr std::size_t kQuotedAnswerChars = 60;
// A reading this close to SCPI's stand-ins is one of them (they arrive as 9.91E+37 and the
// like, in any of the number forms).
constexpr double kStandInTolerance = 1e33;

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::size_t SkipDigits(const std::string& text, std::size_t at) {
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0)
        ++at;
    return at;
}

// True when `text` is [sign] mantissa [exponent] with the mantissa NR1 or NR2.
bool WellFormedNumber(const std::string& text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t intStart = at;
    at = SkipDigits(text, at);
    std::size_t digits = at - intStart;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fracStart = ++at;
        at = SkipDigits(text, at);
        digits += at - fracStart;
    }
    if (digits == 0) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        const std::size_t expStart = at;
        at = SkipDigits(text, at);
        if (at == expStart) return false;
    }
    return at == text.size();
}

}  // namespace

ParsedNumber ParseScpiNumber(const std::string& answer) {
    const std::string text = TrimBlanks(answer);
    if (!WellFormedNumber(text)) return {};
    // from_chars takes no leading '+'.
    const std::size_t from = text.front() == '+' ? 1 : 0;
    double value = 0.0;
    const auto end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data() + from, end, value);
    if (parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(value)) {
        // Out of the double's range: no instrument means that as a reading.
        return {NumberKind::Malformed, 0.0};
    }
    if (std::fabs(value - kScpiNotANumber) < kStandInTolerance) return {NumberKind::NotANumber};
    if (std::fabs(std::fabs(value) - kScpiInfinity) < kStandInTolerance) {
        return {NumberKind::Infinity};
    }
    return {NumberKind::Value, value};
}

std::optional<ErrorEntry> ParseErrorEntry(const std::string& answer) {
    const std::string text = TrimBlanks(answer);
    const auto comma = text.find(',');
    if (comma == std::string::npos) return std::nullopt;
    const std::string codeText = TrimBlanks(text.substr(0, comma));
    std::size_t at = codeText.empty() || (codeText[0] != '+' && codeText[0] != '-') ? 0 : 1;
    if (at == codeText.size() || SkipDigits(codeText, at) != codeText.size()) return std::nullopt;
    int code = 0;
    const auto end = codeText.data() + codeText.size();
    if (std::from_chars(codeText.data() + (codeText[0] == '+' ? 1 : 0), end, code).ptr != end) {
        return std::nullopt;
    }
    const std::string rest = TrimBlanks(text.substr(comma + 1));
    if (rest.size() < 2 || rest.front() != '"') return std::nullopt;
    return ErrorEntry{code, text};
}

bool IsQueryMessage(const std::string& message) {
    bool quoted = false;
    char quote = 0;
    std::string header;
    bool inHeader = true;
    for (char c : message) {
        if (quoted) {
            if (c == quote) quoted = false;
            continue;
        }
        if (c == '"' || c == '\'') {
            quoted = true;
            quote = c;
            inHeader = false;
            continue;
        }
        if (c == ';') {
            if (!header.empty() && header.back() == '?') return true;
            header.clear();
            inHeader = true;
            continue;
        }
        if (!inHeader) continue;
        if (c == ' ' || c == '\t') {
            if (!header.empty()) inHeader = false;
            continue;
        }
        header += c;
    }
    return !header.empty() && header.back() == '?';
}

std::string FormatScpiNumber(double value) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed);
    if (result.ec != std::errc()) return "0";
    std::string text(buffer, result.ptr);
    if (text == "-0") text = "0";
    return text;
}

std::string QuoteAnswer(const std::string& answer) {
    std::string out = "'";
    std::size_t shown = 0;
    for (unsigned char c : answer) {
        if (shown == kQuotedAnswerChars) {
            out += "...";
            break;
        }
        ++shown;
        if (c < 0x20 || c >= 0x7F || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "'";
}

}  // namespace qs::instruments
