#pragma once

// A runs file from the data folder read as untrusted input: whoever can write the folder may
// have cut it short or made it by hand. What cannot be read is left out and named; the rest of
// the runs is taken.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <toml++/toml.h>

namespace qs {

// Parses `text`, leaving out each line TOML cannot read ("file:line: why; skipped" in
// `skipped`) and trying again, a few times at most; none, with `error` naming the line, when
// the file cannot be read even so.
std::optional<toml::table> ParseTomlSkippingLines(std::string_view text, const std::string& file,
                                                  std::vector<std::string>& skipped,
                                                  std::string& error);

// Removes, and names with their lines, the values no runs file of the program holds: a text
// too long or with a control character other than a line end or tab, a number that is not
// finite, a whole number out of range, a step without a known outcome.
void DropUntrustedValues(toml::table& root, const std::string& file,
                         std::vector<std::string>& skipped);

}  // namespace qs
