#include "record/run_record_salvage.h"

#include <cmath>
#include <cstdint>

#include "record/run_record.h"
#include "record/untrusted_text.h"

namespace qs {
namespace {

// Enough to get past a file cut short or a few damaged lines; beyond it the file is refused.
constexpr int kMaxSkippedLines = 20;
// Milliseconds of about 35 years, bytes beyond any line's count: far above anything recorded,
// far below where the pace's sums could overflow.
constexpr std::int64_t kMaxWhole = std::int64_t{1} << 40;
constexpr std::int64_t kMinWhole = -1;  // a step that did not run starts at -1

std::string Where(const std::string& file, const toml::source_region& source) {
    return file + ":" + std::to_string(source.begin.line) + ": ";
}

// Makes line `number` (from 1) blank; false when it is blank already or not there.
bool BlankLine(std::string& text, std::size_t number) {
    if (number == 0) return false;
    std::size_t at = 0;
    for (std::size_t line = 1; line < number; ++line) {
        at = text.find('\n', at);
        if (at == std::string::npos) return false;
        ++at;
    }
    const std::size_t end = std::min(text.find('\n', at), text.size());
    bool changed = false;
    for (std::size_t i = at; i < end; ++i) {
        if (text[i] != ' ') changed = true;
        text[i] = ' ';
    }
    return changed;
}

std::string Fault(const toml::node& node) {
    if (const auto* text = node.as_string())
        return UntrustedTextFault(text->get(), kMaxFileTextChars, LineBreaks::Allowed);
    if (const auto* real = node.as_floating_point())
        return std::isfinite(real->get()) ? std::string() : "a number that is not finite";
    if (const auto* whole = node.as_integer())
        return whole->get() < kMinWhole || whole->get() > kMaxWhole ? "a number out of range"
                                                                     : std::string();
    return {};
}

void Drop(toml::node& node, const std::string& file, std::vector<std::string>& skipped);

void DropInTable(toml::table& table, const std::string& file, std::vector<std::string>& skipped) {
    std::vector<std::string> bad;
    for (auto&& [key, value] : table) {
        const std::string fault = Fault(value);
        if (fault.empty()) {
            Drop(value, file, skipped);
            continue;
        }
        skipped.push_back(Where(file, value.source()) + std::string(key.str()) + ": " + fault +
                          "; skipped");
        bad.emplace_back(key.str());
    }
    for (const std::string& key : bad)
        table.erase(key);
}

void DropInArray(toml::array& array, const std::string& file, std::vector<std::string>& skipped) {
    for (auto it = array.begin(); it != array.end();) {
        const std::string fault = Fault(*it);
        if (fault.empty()) {
            Drop(*it, file, skipped);
            ++it;
            continue;
        }
        skipped.push_back(Where(file, it->source()) + fault + "; skipped");
        it = array.erase(it);
    }
}

void Drop(toml::node& node, const std::string& file, std::vector<std::string>& skipped) {
    if (auto* table = node.as_table()) DropInTable(*table, file, skipped);
    if (auto* array = node.as_array()) DropInArray(*array, file, skipped);
}

// A step without a known outcome cannot be reported; its run can without it.
void DropStepsWithoutOutcome(toml::table& root, const std::string& file,
                             std::vector<std::string>& skipped) {
    toml::array* runs = root["run"].as_array();
    if (runs == nullptr) return;
    for (toml::node& run : *runs) {
        toml::array* steps = run.as_table() ? (*run.as_table())["step"].as_array() : nullptr;
        if (steps == nullptr) continue;
        for (auto it = steps->begin(); it != steps->end();) {
            const toml::table* step = it->as_table();
            const auto word = step ? (*step)["outcome"].value<std::string>() : std::nullopt;
            if (word && OutcomeFromWord(*word)) {
                ++it;
                continue;
            }
            skipped.push_back(Where(file, it->source()) + "a step without its outcome; skipped");
            it = steps->erase(it);
        }
    }
}

}  // namespace

std::optional<toml::table> ParseTomlSkippingLines(std::string_view text, const std::string& file,
                                                  std::vector<std::string>& skipped,
                                                  std::string& error) {
    std::string copy(text);
    for (int tries = 0;; ++tries) {
        try {
            return toml::parse(copy, std::string_view(file));
        } catch (const toml::parse_error& e) {
            const std::string said = file + ":" + std::to_string(e.source().begin.line) + ": " +
                                     std::string(e.description());
            if (tries == kMaxSkippedLines || !BlankLine(copy, e.source().begin.line)) {
                error = said;
                return std::nullopt;
            }
            skipped.push_back(said + "; skipped");
        }
    }
}

void DropUntrustedValues(toml::table& root, const std::string& file,
                         std::vector<std::string>& skipped) {
    DropInTable(root, file, skipped);
    DropStepsWithoutOutcome(root, file, skipped);
}

}  // namespace qs
