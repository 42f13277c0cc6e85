#include "procedure/table_reader.h"

#include <algorithm>
#include <cmath>

#include "procedure/message_text.h"

namespace qs::procedure {

namespace {

// Line ends and tabs aside, which a text of several lines needs.
bool HasControlCharacter(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\t' || byte == '\n' || byte == '\r') continue;
        if (byte < 0x20 || byte == 0x7F) return true;
        // The C1 controls, which UTF-8 writes as C2 80 .. C2 9F.
        if (byte == 0xC2 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            return true;
        }
    }
    return false;
}

}  // namespace

FilePlace StartOf(const toml::source_region& region) {
    return {static_cast<int>(region.begin.line), static_cast<int>(region.begin.column)};
}

std::string TypeWords(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::string:
            return "text";
        case toml::node_type::integer:
            return "a whole number";
        case toml::node_type::floating_point:
            return "a number with a decimal point";
        case toml::node_type::boolean:
            return "true or false";
        case toml::node_type::table:
            return "a table";
        case toml::node_type::array:
            return "an array";
        default:
            break;
    }
    return "a date or time";
}

TableReader::TableReader(const toml::table& table, std::string what, Mistakes& mistakes)
    : table_(table), what_(std::move(what)), mistakes_(mistakes) {}

const toml::node* TableReader::Get(std::string_view key, Need need) {
    if (std::find(known_.begin(), known_.end(), key) == known_.end()) known_.emplace_back(key);
    const toml::node* node = table_.get(key);
    if (node == nullptr && need == Need::Required) {
        mistakes_.Add(place(), what_ + " needs " + Quoted(key));
    }
    return node;
}

std::optional<std::string> TableReader::Text(std::string_view key, Need need) {
    const toml::node* node = Get(key, need);
    if (node == nullptr) return std::nullopt;
    const auto* text = node->as_string();
    if (text == nullptr) {
        WrongType(key, *node, "text in quotes");
        return std::nullopt;
    }
    // Texts are shown on the terminal and in the window: nothing in them may act there.
    if (HasControlCharacter(text->get())) {
        Mistake(key, Quoted(key) + " has a control character in it: " + Quoted(text->get()));
        return std::nullopt;
    }
    return text->get();
}

std::optional<double> TableReader::Number(std::string_view key, Need need) {
    const toml::node* node = Get(key, need);
    if (node == nullptr) return std::nullopt;
    if (const auto* whole = node->as_integer()) return static_cast<double>(whole->get());
    if (const auto* real = node->as_floating_point()) {
        if (std::isfinite(real->get())) return real->get();
        Mistake(key, Quoted(key) + " must be a finite number");
        return std::nullopt;
    }
    WrongType(key, *node, "a number");
    return std::nullopt;
}

std::optional<std::int64_t> TableReader::Whole(std::string_view key, Need need) {
    const toml::node* node = Get(key, need);
    if (node == nullptr) return std::nullopt;
    if (const auto* whole = node->as_integer()) return whole->get();
    WrongType(key, *node, "a whole number");
    return std::nullopt;
}

std::optional<bool> TableReader::Flag(std::string_view key, Need need) {
    const toml::node* node = Get(key, need);
    if (node == nullptr) return std::nullopt;
    if (const auto* flag = node->as_boolean()) return flag->get();
    WrongType(key, *node, "true or false");
    return std::nullopt;
}

void TableReader::Mistake(std::string_view key, std::string message) {
    mistakes_.Add(PlaceOf(key), std::move(message));
}

void TableReader::WrongType(std::string_view key, const toml::node& node, std::string_view wanted) {
    Mistake(key, Quoted(key) + " must be " + std::string(wanted) + ", not " + TypeWords(node));
}

FilePlace TableReader::PlaceOf(std::string_view key) const {
    const toml::node* node = table_.get(key);
    return node != nullptr ? StartOf(node->source()) : place();
}

std::string TableReader::Hint(std::string_view unknown) const {
    const std::string nearest = DidYouMean(unknown, known_);
    return nearest.empty() ? " (its keys: " + OneOf(known_) + ")" : nearest;
}

void TableReader::RefuseUnknownKeys() {
    for (const auto& [key, node] : table_) {
        if (std::find(known_.begin(), known_.end(), key.str()) != known_.end()) continue;
        mistakes_.Add(StartOf(key.source()),
                      "unknown key " + Quoted(key.str()) + " in " + what_ + Hint(key.str()));
    }
}

}  // namespace qs::procedure
