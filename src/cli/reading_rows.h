#pragma once

#include <optional>
#include <string>

namespace qs::cli {

// One row of the [A/D] or [D/A] list, e.g. "VIN  :191:BFh:  7.49V".
struct ReadingRow {
    std::string label;      // "VIN"
    int raw = 0;            // 191
    std::string converted;  // "7.49V"
};

// Nothing for a row that holds no reading yet ("----"), a heading or an empty row.
std::optional<ReadingRow> ParseReadingRow(const std::string& text);

}  // namespace qs::cli
