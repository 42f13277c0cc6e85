#pragma once

#include <string>
#include <vector>

namespace qs::cli {

// One line of a shell script split into words as a POSIX shell splits a command: blanks
// separate words; '...' keeps everything inside as it is; "..." too, except that a backslash
// before " or another backslash stands for that character; a backslash outside quotes keeps
// the next character as it is; a word that starts with # begins a comment to the end of the
// line. No expansions of any kind.
// False with `error` for a quote left open or a backslash at the end of the line.
bool SplitScriptWords(const std::string& line, std::vector<std::string>& words,
                      std::string& error);

}  // namespace qs::cli
