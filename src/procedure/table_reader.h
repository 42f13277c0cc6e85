#pragma once

// Reading one table of a procedure file with its mistakes reported as they are found: each
// getter names a key the table may have, so that any other key can be refused at the end
// (a misspelt key is never silently ignored).

#include <toml++/toml.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "procedure/mistakes.h"

namespace qs::procedure {

enum class Need { Optional, Required };

FilePlace StartOf(const toml::source_region& region);

// "text", "a whole number", "a number", "true or false", "a table" ...
std::string TypeWords(const toml::node& node);

class TableReader {
public:
    // `what` names the table in messages: "this generator step", "[bench]".
    TableReader(const toml::table& table, std::string what, Mistakes& mistakes);

    // The key's value, or nothing when absent (a mistake when it is required).
    const toml::node* Get(std::string_view key, Need need);
    std::optional<std::string> Text(std::string_view key, Need need);
    std::optional<double> Number(std::string_view key, Need need);  // finite
    std::optional<std::int64_t> Whole(std::string_view key, Need need);
    std::optional<bool> Flag(std::string_view key, Need need);

    // A mistake about the key's value (about the table when the key is absent).
    void Mistake(std::string_view key, std::string message);
    void Mistake(FilePlace place, std::string message) { mistakes_.Add(place, std::move(message)); }
    void WrongType(std::string_view key, const toml::node& node, std::string_view wanted);

    FilePlace place() const { return StartOf(table_.source()); }
    FilePlace PlaceOf(std::string_view key) const;
    const std::string& what() const { return what_; }
    void setWhat(std::string what) { what_ = std::move(what); }
    std::size_t mistakeCount() const { return mistakes_.count(); }

    // Every key that no getter named is a mistake, with the nearest known key as a hint.
    void RefuseUnknownKeys();

private:
    std::string Hint(std::string_view unknown) const;

    const toml::table& table_;
    std::string what_;
    Mistakes& mistakes_;
    std::vector<std::string> known_;
};

}  // namespace qs::procedure
