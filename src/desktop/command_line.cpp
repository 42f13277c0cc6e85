#include "desktop/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "port/port_advice.h"

namespace qs::qt {

namespace {

constexpr std::string_view kSimPrefix = "--sim-";
constexpr std::int16_t kSimulatorPort = 1;

// Qt's own options that take a value.
constexpr std::array<std::string_view, 12> kQtOptionsWithValue = {
    "-platform",        "-platformpluginpath",
    "-platformtheme",   "-plugin",
    "-qwindowgeometry", "-qwindowicon",
    "-qwindowtitle",    "-style",
    "-stylesheet",      "-session",
    "-display",         "-geometry"};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsQtOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-' && arg[1] != '-';
}

bool QtOptionTakesValue(const std::string& arg) {
    return std::find(kQtOptionsWithValue.begin(), kQtOptionsWithValue.end(), arg) !=
           kQtOptionsWithValue.end();
}

}  // namespace

CommandLineResult ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineResult result;
    CommandLine& options = result.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasNext = i + 1 < args.size();
        if (arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--list-ports") {
            options.listPorts = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg == "--report") {
            if (i + 2 >= args.size()) {
                result.error = "--report needs a backup file and an output file (.pdf or .html)";
                return result;
            }
            options.report = true;
            options.reportBackup = args[++i];
            options.reportOut = args[++i];
        } else if (arg == "--trace" || StartsWith(arg, "--trace=")) {
            if (arg == "--trace") {
                if (!hasNext) {
                    result.error = "--trace needs a file name";
                    return result;
                }
                options.traceFile = args[++i];
            } else {
                options.traceFile = arg.substr(std::string_view("--trace=").size());
            }
            if (options.traceFile.empty()) {
                result.error = "--trace needs a file name";
                return result;
            }
        } else if (arg == "--port" || StartsWith(arg, "--port=")) {
            std::string value;
            if (arg == "--port") {
                if (!hasNext) {
                    result.error = "--port needs a value such as 1=/dev/ttyUSB0";
                    return result;
                }
                value = args[++i];
            } else {
                value = arg.substr(std::string_view("--port=").size());
            }
            const std::optional<PortBinding> binding = ParsePortBinding(value);
            if (!binding) {
                result.error = "--port " + value +
                               ": expected N=DEVICE with N from 1 to 10, for example "
                               "--port 2=/dev/ttyS0";
                return result;
            }
            options.ports.push_back(*binding);
        } else if (StartsWith(arg, kSimPrefix) && arg.size() > kSimPrefix.size()) {
            const std::string name = "--" + arg.substr(kSimPrefix.size());
            options.simulatorArgs.push_back(name);
            const bool inlineValue = name.find('=') != std::string::npos;
            if (!inlineValue && hasNext && !StartsWith(args[i + 1], "-")) {
                options.simulatorArgs.push_back(args[++i]);
            }
        } else if (IsQtOption(arg)) {
            if (QtOptionTakesValue(arg) && hasNext) ++i;
        } else {
            result.error = "unknown option: " + arg;
            return result;
        }
    }
    if (options.force && !options.report) {
        result.error = "--force goes with --report";
        return result;
    }
    if (!options.simulatorArgs.empty() && !options.simulate) {
        result.error = options.simulatorArgs.front().substr(2) +
                       ": virtual radio options (--sim-...) need --simulate";
        return result;
    }
    if (options.simulate) {
        const bool comOneBound =
            std::any_of(options.ports.begin(), options.ports.end(),
                        [](const PortBinding& b) { return b.port == kSimulatorPort; });
        if (comOneBound) {
            result.error =
                "--simulate puts the virtual radio on COM 1; bind the cable with "
                "--port to COM 2 to COM 10 instead";
            return result;
        }
    }
    return result;
}

std::string UsageText(const std::string& programName) {
    return "Usage: " + programName +
           " [--port N=DEVICE]... [--trace FILE] [--simulate [--sim-...]]\n"
           "  or:  " + programName + " --list-ports\n"
           "  or:  " + programName + " --report BACKUP OUT [--force]\n"
           "Service adjustment utility for the QT-71DR radio.\n"
           "\n"
           "  --port N=DEVICE   Use DEVICE for \"COM N\" of the Option > Port menu (N = 1..10).\n"
           "                    May be repeated. Without it COM N is /dev/ttyUSB<N-1> on\n"
           "                    Linux and COMN on Windows.\n"
           "  --simulate        Start the virtual radio qt71dr-sim on a pseudo-terminal and\n"
           "                    bind it to COM 1, so that Connect works without a radio.\n"
           "  --sim-OPTION [V]  Hand --OPTION [V] to the virtual radio, e.g. --sim-baud 9600\n"
           "                    or --sim-fault NAME (see qt71dr-sim --help).\n"
           "  --trace FILE      Append every frame on the serial line to FILE, both\n"
           "                    directions, with a millisecond time stamp and the decoded\n"
           "                    command. Without it nothing is logged.\n"
           "  --list-ports      List the serial devices with their description and USB\n"
           "                    vendor:product ids, and exit.\n"
           "  --report BACKUP OUT\n"
           "                    Write the alignment report of the connection whose backup\n"
           "                    (.qsbak) is BACKUP, from it, its journal and its curves file,\n"
           "                    to OUT as PDF or HTML (by OUT's extension), and exit. No\n"
           "                    window or display is needed.\n"
           "  --force           With --report: overwrite OUT when it exists.\n"
           "  --help            Show this help and exit.\n"
           "  --version         Show the version and exit.\n"
           "\n"
           "The settings (port and automatic port release) are kept in RW5120A.rs in\n"
           "$XDG_CONFIG_HOME/qs71dr-adj (usually ~/.config/qs71dr-adj); a RW5120A.rs\n"
           "beside the program is copied there once. Every memory image read at Connect\n"
           "is backed up, with a journal of the adjustments sent, in\n"
           "$XDG_DATA_HOME/qs71dr-adj/backups (usually ~/.local/share/qs71dr-adj/backups).\n"
           "\n" +
           PortCheckHelpText();
}

}  // namespace qs::qt
