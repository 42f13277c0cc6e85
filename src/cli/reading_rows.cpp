#include "cli/reading_rows.h"

#include <charconv>

namespace qs::cli {

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::optional<ReadingRow> ParseReadingRow(const std::string& text) {
    // label ":" raw ":" hex "h:" converted
    const std::size_t c1 = text.find(':');
    if (c1 == std::string::npos) return std::nullopt;
    const std::size_t c2 = text.find(':', c1 + 1);
    if (c2 == std::string::npos) return std::nullopt;
    const std::size_t c3 = text.find(':', c2 + 1);
    if (c3 == std::string::npos) return std::nullopt;

    ReadingRow row;
    row.label = Trimmed(text.substr(0, c1));
    const std::string raw = Trimmed(text.substr(c1 + 1, c2 - c1 - 1));
    const auto [end, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), row.raw);
    if (row.label.empty() || raw.empty() || ec != std::errc() || end != raw.data() + raw.size()) {
        return std::nullopt;
    }
    row.converted = Trimmed(text.substr(c3 + 1));
    return row;
}

}  // namespace qs::cli
