#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace qs::cli {

// A script is text; anything larger than this is not one.
inline constexpr std::size_t kMaxScriptBytes = 1024 * 1024;

// The whole script: FILE, or standard input when `file` is empty (read to its end, so every
// line is checked before anything is opened). False with `error` saying why.
bool ReadScript(const std::string& file, std::string& text, std::string& error);

// Every command of the script, one a line, in order; empty and comment lines are left out.
// `fromStandardInput`: the script takes standard input, so a command that reads the
// technician's Enter presses there (rssi) is refused. False with `error` naming the line.
bool ParseScript(const std::string& text, bool fromStandardInput,
                 std::vector<CommandArgs>& commands, std::string& error);

}  // namespace qs::cli
