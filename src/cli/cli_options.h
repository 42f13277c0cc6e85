#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/item_title.h"
#include "history/history_view.h"
#include "instruments/generator_settings.h"
#include "instruments/roles.h"
#include "model/auto_op_rows.h"

namespace qs::cli {

enum class Command {
    None, Identify, Read, Params, Readings, Set, Sweep, Level, Rssi, Bench, Run, Report,
    History, Shell
};

// What a command needs of the radio before it runs. A shell raises its one connection step
// by step to what each command needs; nothing changes the radio before Adjustment.
enum class Needs {
    Nothing,         // report: files only
    Instruments,     // bench: the bench's instruments only, never the radio
    Identification,  // identify: one exchange, no clone read
    Connection,      // the clone read and the console, without sending any adjustment
    Adjustment,      // also the backup and journal, then the first sending as Connect does
};

// One ITEM=VALUE of `set`: the item's title as given (leading blanks and quotes removed).
struct ItemSetting {
    std::string title;
    std::int16_t value = 0;
};

// `bench identify|measure|generator`: what to do with an instrument, and at which address.
enum class BenchAction { Identify, Measure, Generator };
struct BenchArgs {
    BenchAction action = BenchAction::Identify;
    instruments::Quantity quantity = instruments::Quantity::Power;  // measure
    std::string address;      // empty: the virtual monitor, with --simulate only
    std::string profileFile;  // --profile FILE; empty: the generic profile
    instruments::GeneratorSettings generator;  // --frequency HZ --level DBM --rf on|off
};

// `history [FILTER]...`, `history report ID OUT [--force]`, `history import FOLDER`.
enum class HistoryAction { List, Report, Import };

// One command with its own arguments, from the command line or a line of a shell script.
struct CommandArgs {
    Command command = Command::None;
    int line = 0;                        // its line in a shell script, 0 on the command line
    std::string imageFile;               // read --image FILE
    bool showBackup = false;             // read --backup
    std::vector<ItemSetting> settings;   // set
    BandPassFilter sweep = BandPassFilter::All;  // sweep
    LevelItem level = LevelItem::Rx;             // level
    std::optional<std::int16_t> target;  // level --target N
    BenchArgs bench;                     // bench
    std::string reportBackup;            // report BACKUP OUT [--force] [--full]
    std::string reportOut;
    bool reportForce = false;
    bool reportFull = false;  // --full: the journal and raw readings too (report, history report)
    std::string scriptFile;  // shell --script FILE; empty: standard input
    // run FILE [--technician NAME] [--serial TEXT] [--work-order TEXT] [--yes]
    std::string procedureFile;
    std::string technician;
    std::string serialNumber;
    std::string workOrder;
    bool answerYes = false;  // --yes: every prompt answered at once (a bench needing no hand)
    HistoryAction history = HistoryAction::List;
    std::string historySerial;  // history --serial S --work-order W --technician T
    std::string historyWorkOrder;
    std::string historyTechnician;
    std::string historySince;  // --since DAY --until DAY
    std::string historyUntil;
    std::string historyVerdict;  // --verdict pass|fail
    std::string historyId;       // history report ID OUT
    std::string historyOut;
    std::string historyFolder;  // history import FOLDER
};

// What the command line asks of qs71dr-cli: the program's own options and one command.
struct CliOptions {
    std::string device;                      // --port DEVICE; empty: COM 1's usual device
    bool simulate = false;                   // --simulate
    std::vector<std::string> simulatorArgs;  // --sim-NAME [VALUE] handed on as --NAME [VALUE]
    std::string traceFile;                   // --trace FILE
    bool json = false;                       // --json
    int timeoutSeconds = 600;                // --timeout SECONDS, for each command
    bool noBackup = false;                   // --no-backup
    std::string records;                     // --records URL|none; empty: as the settings say
    bool help = false;
    bool version = false;
    CommandArgs args;
};

struct CliParseResult {
    CliOptions options;
    std::string error;  // empty when the command line is valid
    bool ok() const { return error.empty(); }
};

// `args` without the program name. The program's options may stand before or after the
// command; a command's own options follow it. After "--" every word is an argument.
CliParseResult ParseCliCommandLine(const std::vector<std::string>& args);

// One line of a shell script, split into words as a POSIX shell would (quotes, backslashes,
// "#" comments), parsed as a command with its arguments. `line` numbers it for messages.
// Empty `args.command` (None) for an empty or comment line; false with `error` on a mistake.
struct ScriptLineResult {
    CommandArgs args;
    std::string error;
    bool ok() const { return error.empty(); }
};
ScriptLineResult ParseScriptLine(const std::string& text, int line);

// The search `history` asks for, as typed.
HistoryFilterText HistoryFilterOf(const CommandArgs& args);

// The command's word on the command line ("identify", ...); empty for None.
std::string CommandName(Command command);
Needs CommandNeeds(Command command);

// Items are named as the console names them (see ItemKey).
using qs::ItemKey;

std::string CliUsageText(const std::string& programName);

}  // namespace qs::cli
