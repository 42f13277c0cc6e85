#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// The virtual radio's own options, given to either program as --sim-NAME [VALUE] or
// --sim-NAME=VALUE after --simulate and handed on to qt71dr-sim as --NAME [VALUE].
inline constexpr std::string_view kSimulatorOptionPrefix = "--sim-";

bool IsSimulatorOption(std::string_view arg);

// Takes the option at args[i] into `out`, with the next word as its value unless that word
// starts with "-" or `ownWord` claims it for the program (a command word); `i` is left on the
// last word taken.
void TakeSimulatorOption(const std::vector<std::string>& args, std::size_t& i,
                         std::vector<std::string>& out,
                         const std::function<bool(const std::string&)>& ownWord = {});

// The mistake in the options that choose the virtual radio, empty when there is none.
std::string SimulatorOptionsMistake(bool simulate, const std::vector<std::string>& simulatorArgs);

// The help lines of --simulate and --sim-OPTION, indented as both programs' option lists.
std::string SimulatorOptionsHelp();

}  // namespace qs
