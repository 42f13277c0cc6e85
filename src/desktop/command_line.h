#pragma once

#include <optional>
#include <string>
#include <vector>

#include "qtcore/port_bindings.h"

namespace qs::qt {

// What the technician asked for on the command line.
struct CommandLine {
    std::vector<PortBinding> ports;          // --port N=DEVICE, in the order given
    bool simulate = false;                   // --simulate
    std::vector<std::string> simulatorArgs;  // --sim-NAME [VALUE] handed on as --NAME [VALUE]
    bool help = false;                       // -h, --help
    bool helpAll = false;                    // --help-all: also Qt's own options
    bool version = false;
    std::string traceFile;   // --trace FILE: every frame on the line goes to FILE
    bool listPorts = false;  // --list-ports
    // --report BACKUP OUT [--force] [--full]: write the alignment report and exit, without a
    // window; --full adds the journal and raw readings.
    bool report = false;
    std::string reportBackup;
    std::string reportOut;
    bool force = false;
    bool full = false;
    // --records URL|none: the service records for this run; none given: as the settings say.
    std::optional<std::string> records;
};

struct CommandLineResult {
    CommandLine options;
    std::string error;  // empty when the command line is valid
    bool ok() const { return error.empty(); }
};

// `args` without the program name, read by QCommandLineParser before Qt starts (so --help
// and mistakes need no display). Qt's own options (-platform offscreen, --platform, -name,
// -style ...) are accepted with their values and left to Qt.
CommandLineResult ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText(const std::string& programName);
// The usage text and Qt's own options that the program hands on to Qt.
std::string UsageTextWithQtOptions(const std::string& programName);

}  // namespace qs::qt
