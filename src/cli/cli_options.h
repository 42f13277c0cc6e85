#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/item_title.h"

namespace qs::cli {

enum class Command { None, Identify, Read, Params, Readings, Set, Sweep, Level, Rssi, Report };
enum class SweepKind { All, T1, T2 };
enum class LevelKind { Rx, Tx };

// One ITEM=VALUE of `set`: the item's title as given (leading blanks and quotes removed).
struct ItemSetting {
    std::string title;
    std::int16_t value = 0;
};

// What the command line asks of qs71dr-cli.
struct CliOptions {
    std::string device;                      // --port DEVICE; empty: COM 1's usual device
    bool simulate = false;                   // --simulate
    std::vector<std::string> simulatorArgs;  // --sim-NAME [VALUE] handed on as --NAME [VALUE]
    std::string traceFile;                   // --trace FILE
    bool json = false;                       // --json
    int timeoutSeconds = 600;                // --timeout SECONDS, for the whole command
    bool help = false;
    bool version = false;

    Command command = Command::None;
    std::string imageFile;             // read --image FILE
    bool showBackup = false;           // read --backup
    std::vector<ItemSetting> settings;  // set
    SweepKind sweep = SweepKind::All;  // sweep
    LevelKind level = LevelKind::Rx;   // level
    std::optional<std::int16_t> target;  // level --target N
    std::string reportBackup;          // report BACKUP OUT [--force]
    std::string reportOut;
    bool reportForce = false;
};

struct CliParseResult {
    CliOptions options;
    std::string error;  // empty when the command line is valid
    bool ok() const { return error.empty(); }
};

// `args` without the program name. Global options may stand before or after the command;
// a command's own options follow it.
CliParseResult ParseCliCommandLine(const std::vector<std::string>& args);

// The command's word on the command line ("identify", ...); empty for None.
std::string CommandName(Command command);

// Items are named as the console names them (see ItemKey).
using qs::ItemKey;

std::string CliUsageText(const std::string& programName);

}  // namespace qs::cli
