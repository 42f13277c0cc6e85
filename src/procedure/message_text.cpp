#include "procedure/message_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qs::procedure {
namespace {

constexpr std::size_t kMaxQuotedBytes = 60;
// Longer words are not compared: no name of a procedure file is near that long.
constexpr std::size_t kMaxComparedBytes = 64;

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Edits (insert, delete, replace, swap two neighbours) from a to b, without regard to case.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    const std::size_t n = b.size();
    std::vector<std::size_t> before(n + 1), previous(n + 1), current(n + 1);
    for (std::size_t j = 0; j <= n; ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= n; ++j) {
            const std::size_t cost = Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) &&
                Lower(a[i - 2]) == Lower(b[j - 1])) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[n];
}

}  // namespace

std::string NumberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.12g", value);
    return buffer;
}

std::string Printable(std::string_view text, std::size_t maxBytes) {
    std::string quoted;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // Stop between characters, never inside one written in several bytes.
        if (i >= maxBytes && (byte & 0xC0) != 0x80) {
            quoted += "...";
            break;
        }
        // C0 controls, DEL, and the C1 controls that UTF-8 writes as C2 80 .. C2 9F.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || c1) {
            const unsigned code = c1 ? static_cast<unsigned char>(text[++i]) : byte;
            char escape[12];
            std::snprintf(escape, sizeof escape, "\\u%04X", code);
            quoted += escape;
            continue;
        }
        quoted += text[i];
    }
    return quoted;
}

std::string Quoted(std::string_view text) {
    return "'" + Printable(text, kMaxQuotedBytes) + "'";
}

std::string Lowered(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    return lower;
}

std::string DidYouMean(std::string_view word, const std::vector<std::string>& names) {
    if (word.empty() || word.size() > kMaxComparedBytes) return std::string();
    // Short words allow one edit, longer ones two: "sweeep" is a sweep, "set" is not a "wait".
    const std::size_t allowed = word.size() <= 4 ? 1 : 2;
    const std::string* best = nullptr;
    std::size_t bestDistance = allowed + 1;
    for (const std::string& name : names) {
        const std::size_t distance = EditDistance(word, name);
        if (distance < bestDistance) {
            best = &name;
            bestDistance = distance;
        }
    }
    return best != nullptr ? "; did you mean " + Quoted(*best) + "?" : std::string();
}

std::string OneOf(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
        text += Quoted(names[i]);
    }
    return text;
}

}  // namespace qs::procedure
