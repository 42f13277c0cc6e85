#pragma once

// Limits on texts read from files in the data folder, which anybody who can write there may
// have made: a name or a text is taken only when it is short and holds nothing that could
// steer a terminal or a report.

#include <cstddef>
#include <string>
#include <string_view>

namespace qs {

// More than any name, address, unit or message the program writes.
inline constexpr std::size_t kMaxFileTextChars = 512;

enum class LineBreaks { Refused, Allowed };

// Why `text` cannot be taken ("longer than 512 characters", "a control character"), or empty
// when it can: at most `maxChars` characters (UTF-8 sequences counted as one), no control
// characters; tab and line ends only where `breaks` allows them (a message of several lines).
std::string UntrustedTextFault(std::string_view text, std::size_t maxChars = kMaxFileTextChars,
                               LineBreaks breaks = LineBreaks::Refused);

}  // namespace qs
