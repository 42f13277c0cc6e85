#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qs::procedure {

// A number as a technician writes it: no exponent for the frequencies of a bench, no
// trailing zeros ("146520000", "2.35", "-47").
std::string NumberText(double value);

// A text from the file or a library for a message: control characters written as escapes so
// that they cannot act on the terminal, and cut short after `maxBytes`.
std::string Printable(std::string_view text, std::size_t maxBytes);
// The same in quotes, cut short when longer than a name would be.
std::string Quoted(std::string_view text);

// Lower case, for words compared without regard to case.
std::string Lowered(std::string_view text);

// "; did you mean 'level_dbm'?" when one of `names` is a likely misspelling of `word`
// (case aside), else empty.
std::string DidYouMean(std::string_view word, const std::vector<std::string>& names);

// The names as a list for a message: "'a', 'b' or 'c'".
std::string OneOf(const std::vector<std::string>& names);

}  // namespace qs::procedure
