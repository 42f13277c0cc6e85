#include "program/simulator_options.h"

namespace qs {

bool IsSimulatorOption(std::string_view arg) {
    return arg.size() > kSimulatorOptionPrefix.size() &&
           arg.substr(0, kSimulatorOptionPrefix.size()) == kSimulatorOptionPrefix;
}

void TakeSimulatorOption(const std::vector<std::string>& args, std::size_t& i,
                         std::vector<std::string>& out,
                         const std::function<bool(const std::string&)>& ownWord) {
    const std::string name = "--" + args[i].substr(kSimulatorOptionPrefix.size());
    out.push_back(name);
    if (name.find('=') != std::string::npos || i + 1 >= args.size()) return;
    const std::string& next = args[i + 1];
    if (next.empty() || next.front() == '-' || (ownWord && ownWord(next))) return;
    out.push_back(next);
    ++i;
}

std::string SimulatorOptionsMistake(bool simulate, const std::vector<std::string>& simulatorArgs) {
    if (simulate || simulatorArgs.empty()) return std::string();
    return simulatorArgs.front().substr(2) + ": virtual radio options (--sim-...) need --simulate";
}

std::string SimulatorOptionsHelp() {
    return "  --simulate         Use the virtual radio qt71dr-sim on a pseudo-terminal, as\n"
           "                     COM 1, so that everything works without a radio.\n"
           "  --sim-OPTION [V]   Hand --OPTION [V] to the virtual radio, e.g. --sim-baud\n"
           "                     115200 (a fast cable) or --sim-fault NAME (see\n"
           "                     qt71dr-sim --help).\n";
}

}  // namespace qs
