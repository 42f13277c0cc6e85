#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "cli/script_words.h"
#include "history/history_view.h"
#include "history/records_settings.h"
#include "port/port_advice.h"
#include "program/simulator_options.h"

namespace qs::cli {

namespace {

constexpr int kMaxTimeoutSeconds = 24 * 3600;
constexpr int kMaxLevelTarget = 255;
constexpr std::string_view kEndOfOptions = "--";

// The commands. A new one is a row here, its arguments below and its run in CommandRunner.
struct CommandSpec {
    std::string_view name;
    Command command;
    Needs needs;
    bool inShell;  // may stand on a line of a shell script
};
constexpr std::array<CommandSpec, 13> kCommands{{
    {"identify", Command::Identify, Needs::Identification, true},
    {"read", Command::Read, Needs::Connection, true},
    {"params", Command::Params, Needs::Connection, true},
    {"readings", Command::Readings, Needs::Connection, true},
    {"set", Command::Set, Needs::Adjustment, true},
    {"sweep", Command::Sweep, Needs::Adjustment, true},
    {"level", Command::Level, Needs::Adjustment, true},
    {"rssi", Command::Rssi, Needs::Adjustment, true},
    // In a shell its settings and readings go into the connection's journal.
    {"bench", Command::Bench, Needs::Instruments, true},
    // A whole alignment procedure on the one connection.
    {"run", Command::Run, Needs::Adjustment, true},
    // The PDF writer needs Qt's graphical part started before anything else.
    {"report", Command::Report, Needs::Nothing, false},
    // The records only: no radio, no port, no lock, so it runs beside a working program.
    {"history", Command::History, Needs::Nothing, false},
    {"shell", Command::Shell, Needs::Nothing, false},
}};

// An option: a flag, or one that takes a value (`valueWhat` says what; a value that needs
// more than to be kept as it is has neither member and is read where the option is taken).
template <typename Options>
struct OptionRow {
    std::string_view name;
    const char* valueWhat;       // null: a flag
    bool Options::*flag;         // set by the flag
    std::string Options::*text;  // the value as it is
};

// The options of the commands.
struct CommandOption {
    Command command;
    OptionRow<CommandArgs> option;
};
constexpr std::array<CommandOption, 22> kCommandOptions{{
    {Command::Read, {"--image", "a file name", nullptr, &CommandArgs::imageFile}},
    {Command::Read, {"--backup", nullptr, &CommandArgs::showBackup, nullptr}},
    {Command::Level, {"--target", "a level from 0 to 255", nullptr, nullptr}},
    {Command::Bench, {"--profile", "a profile file", nullptr, nullptr}},
    {Command::Bench, {"--frequency", "a frequency in Hz", nullptr, nullptr}},
    {Command::Bench, {"--level", "a level in dBm", nullptr, nullptr}},
    {Command::Bench, {"--rf", "on or off", nullptr, nullptr}},
    {Command::Run, {"--technician", "a name", nullptr, &CommandArgs::technician}},
    {Command::Run, {"--serial", "the radio's serial number", nullptr, &CommandArgs::serialNumber}},
    {Command::Run, {"--work-order", "a work order", nullptr, &CommandArgs::workOrder}},
    {Command::Run, {"--yes", nullptr, &CommandArgs::answerYes, nullptr}},
    {Command::Report, {"--force", nullptr, &CommandArgs::reportForce, nullptr}},
    {Command::Report, {"--full", nullptr, &CommandArgs::reportFull, nullptr}},
    {Command::History, {"--serial", "a serial number", nullptr, &CommandArgs::historySerial}},
    {Command::History, {"--work-order", "a work order", nullptr, &CommandArgs::historyWorkOrder}},
    {Command::History,
     {"--technician", "a technician's name", nullptr, &CommandArgs::historyTechnician}},
    {Command::History, {"--since", "a date like 2026-12-07", nullptr, &CommandArgs::historySince}},
    {Command::History, {"--until", "a date like 2026-12-07", nullptr, &CommandArgs::historyUntil}},
    {Command::History, {"--verdict", "pass, fail, error or aborted", nullptr, &CommandArgs::historyVerdict}},
    {Command::History, {"--force", nullptr, &CommandArgs::reportForce, nullptr}},
    {Command::History, {"--full", nullptr, &CommandArgs::reportFull, nullptr}},
    {Command::Shell, {"--script", "a file name", nullptr, &CommandArgs::scriptFile}},
}};

// The program's own options, which stand before or after the command but never on a line of
// a shell script.
constexpr std::array<OptionRow<CliOptions>, 10> kGlobalOptions{{
    {"--help", nullptr, &CliOptions::help, nullptr},
    {"-h", nullptr, &CliOptions::help, nullptr},
    {"--version", nullptr, &CliOptions::version, nullptr},
    {"--json", nullptr, &CliOptions::json, nullptr},
    {"--simulate", nullptr, &CliOptions::simulate, nullptr},
    {"--no-backup", nullptr, &CliOptions::noBackup, nullptr},
    {"--port", "a device, for example /dev/ttyUSB0", nullptr, &CliOptions::device},
    {"--trace", "a file name", nullptr, &CliOptions::traceFile},
    {"--timeout", "a number of seconds", nullptr, nullptr},
    {"--records", "postgresql://USER@HOST/DB or none", nullptr, &CliOptions::records},
}};

// A word of a command; after "--" it is an argument even when it starts with "-".
struct Word {
    std::string text;
    bool literal = false;
};

// The text of a word of the command line or of a command.
const std::string& TextOf(const std::string& word) {
    return word;
}
const std::string& TextOf(const Word& word) {
    return word.text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsOptionWord(const Word& word) {
    return !word.literal && word.text.size() > 1 && word.text.front() == '-';
}

// "--name" and "--name=VALUE" both name option `name`.
bool Names(std::string_view word, std::string_view name) {
    return word == name || (StartsWith(word, name) && word.size() > name.size() &&
                            word[name.size()] == '=');
}

const CommandSpec* CommandNamed(std::string_view word) {
    for (const CommandSpec& c : kCommands) {
        if (c.name == word) return &c;
    }
    return nullptr;
}

const CommandSpec& SpecOf(Command command) {
    for (const CommandSpec& c : kCommands) {
        if (c.command == command) return c;
    }
    static const CommandSpec none{"", Command::None, Needs::Nothing, false};
    return none;
}

template <typename Options>
bool Matches(const OptionRow<Options>& option, std::string_view word) {
    return option.valueWhat == nullptr ? word == option.name : Names(word, option.name);
}

const OptionRow<CliOptions>* GlobalOptionNamed(std::string_view word) {
    for (const auto& option : kGlobalOptions) {
        if (Matches(option, word)) return &option;
    }
    return nullptr;
}

const OptionRow<CommandArgs>* CommandOptionNamed(Command command, std::string_view word) {
    for (const CommandOption& row : kCommandOptions) {
        if (row.command == command && Matches(row.option, word)) return &row.option;
    }
    return nullptr;
}

std::optional<double> RealNumber(std::string_view text) {
    double value = 0.0;
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<long> WholeNumber(std::string_view text, long low, long high) {
    long value = 0;
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

// The value of `--name VALUE` or `--name=VALUE` at words[i]; moves `i` past a separate value.
template <typename Words, typename Options>
bool TakeValue(const Words& words, std::size_t& i, const OptionRow<Options>& option,
               std::string& value, std::string& error) {
    const std::string& word = TextOf(words[i]);
    if (word.size() > option.name.size()) {
        value = word.substr(option.name.size() + 1);
    } else if (i + 1 < words.size()) {
        value = TextOf(words[++i]);
    } else {
        value.clear();
    }
    if (value.empty()) error = std::string(option.name) + " needs " + option.valueWhat;
    return error.empty();
}

// Sets what a flag or a value as it is sets; true when the option was one of those.
template <typename Words, typename Options>
bool Apply(const Words& words, std::size_t& i, const OptionRow<Options>& option, Options& into,
           std::string& value, std::string& error) {
    if (option.flag != nullptr) {
        into.*option.flag = true;
        return true;
    }
    if (!TakeValue(words, i, option, value, error)) return true;
    if (option.text == nullptr) return false;
    into.*option.text = value;
    return true;
}

// The words of one command, after its command word, into `args`.
class ArgsParser {
public:
    ArgsParser(CommandArgs& args, std::string& error) : a_(args), error_(error) {}

    bool Run(const std::vector<Word>& words) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            const bool ok = IsOptionWord(words[i]) ? Option(words, i) : Positional(words[i].text);
            if (!ok) return false;
        }
        return Finish();
    }

private:
    bool Fail(std::string text) {
        error_ = std::move(text);
        return false;
    }

    std::string Name() const { return CommandName(a_.command); }

    bool Option(const std::vector<Word>& words, std::size_t& i) {
        const std::string& word = words[i].text;
        const OptionRow<CommandArgs>* option = CommandOptionNamed(a_.command, word);
        if (option == nullptr) return Fail("unknown option for " + Name() + ": " + word);
        std::string value;
        if (Apply(words, i, *option, a_, value, error_)) return error_.empty();
        if (a_.command == Command::Bench) return BenchOption(option->name, value);
        // --target, the one value of level.
        const auto n = WholeNumber(value, 0, kMaxLevelTarget);
        if (!n) return Fail("level: --target must be from 0 to 255, not '" + value + "'");
        a_.target = static_cast<std::int16_t>(*n);
        return true;
    }

    bool BenchOption(std::string_view name, const std::string& value) {
        BenchArgs& b = a_.bench;
        if (name == "--profile") {
            b.profileFile = value;
            return true;
        }
        if (name == "--rf") {
            if (value != "on" && value != "off") {
                return Fail("bench: --rf must be on or off, not '" + value + "'");
            }
            b.generator.rf = value == "on" ? instruments::RfOutput::On
                                           : instruments::RfOutput::Off;
            return true;
        }
        const auto number = RealNumber(value);
        if (!number) {
            return Fail("bench: " + std::string(name) + " must be a number" +
                        (name == "--level" ? " of dBm" : " of Hz") + ", not '" + value + "'");
        }
        (name == "--level" ? b.generator.levelDbm : b.generator.frequencyHz) = *number;
        return true;
    }

    bool BenchWord(const std::string& word, int n) {
        BenchArgs& b = a_.bench;
        if (n == 0) {
            if (word == "identify") b.action = BenchAction::Identify;
            else if (word == "measure") b.action = BenchAction::Measure;
            else if (word == "generator") b.action = BenchAction::Generator;
            else return Fail("bench: expected identify, measure or generator, not '" + word + "'");
            return true;
        }
        if (b.action == BenchAction::Measure && n == 1) {
            const auto quantity = instruments::QuantityFromName(word);
            if (!quantity) {
                return Fail("bench measure: expected power, deviation or frequency, not '" +
                            word + "'");
            }
            b.quantity = *quantity;
            return true;
        }
        if (!b.address.empty()) return Fail("bench: one ADDRESS only, not also '" + word + "'");
        b.address = word;
        return true;
    }

    bool FinishBench() {
        const BenchArgs& b = a_.bench;
        if (positional_ == 0) return Fail("bench: expected identify, measure or generator");
        if (b.action == BenchAction::Measure && positional_ == 1) {
            return Fail("bench measure: expected power, deviation or frequency");
        }
        const bool generator = b.action == BenchAction::Generator;
        if (!generator && !b.generator.empty()) {
            return Fail("bench: --frequency, --level and --rf are for bench generator");
        }
        if (!generator) return true;
        if (b.generator.empty()) {
            return Fail("bench generator: give --frequency HZ, --level DBM or --rf on|off");
        }
        const std::string mistake = instruments::GeneratorSettingsMistake(b.generator);
        if (!mistake.empty()) return Fail("bench generator: " + mistake);
        return true;
    }

    bool Positional(const std::string& word) {
        const int n = positional_++;
        switch (a_.command) {
            case Command::Set:
                return Setting(word);
            case Command::Sweep:
                if (n > 0) break;
                if (const auto filter = FilterNamed(word)) {
                    a_.sweep = *filter;
                    return true;
                }
                return Fail("sweep: expected bpf-all, bpf-t1 or bpf-t2, not '" + word + "'");
            case Command::Level:
                if (n > 0) break;
                if (word == "rx") a_.level = LevelItem::Rx;
                else if (word == "tx") a_.level = LevelItem::Tx;
                else return Fail("level: expected rx or tx, not '" + word + "'");
                return true;
            case Command::Bench:
                return BenchWord(word, n);
            case Command::Run:
                if (n > 0) break;
                a_.procedureFile = word;
                return true;
            case Command::History:
                return HistoryWord(word, n);
            case Command::Report:
                if (n > 1) break;
                if (word == "-") {
                    return Fail("report: '-' is no file name (the report is never written to "
                                "standard output); give -- ./- for a file called '-'");
                }
                (n == 0 ? a_.reportBackup : a_.reportOut) = word;
                return true;
            default:
                break;
        }
        return Fail("unexpected argument for " + Name() + ": " + word);
    }

    bool HistoryWord(const std::string& word, int n) {
        if (n == 0 && word == "report") {
            a_.history = HistoryAction::Report;
            return true;
        }
        if (n == 0 && word == "import") {
            a_.history = HistoryAction::Import;
            return true;
        }
        if (a_.history == HistoryAction::Report && n <= 2) {
            (n == 1 ? a_.historyId : a_.historyOut) = word;
            return true;
        }
        if (a_.history == HistoryAction::Import && n == 1) {
            a_.historyFolder = word;
            return true;
        }
        if (n == 0) return Fail("history: expected report, import or options, not '" + word + "'");
        return Fail("unexpected argument for history: " + word);
    }

    bool FinishHistory() {
        const bool filtered = !a_.historySerial.empty() || !a_.historyWorkOrder.empty() ||
                              !a_.historyTechnician.empty() || !a_.historySince.empty() ||
                              !a_.historyUntil.empty() || !a_.historyVerdict.empty();
        switch (a_.history) {
            case HistoryAction::Report:
                if (a_.historyOut.empty()) return Fail("history report: expected ID and OUT");
                if (filtered) return Fail("history report: takes no search options");
                return true;
            case HistoryAction::Import:
                if (a_.historyFolder.empty()) return Fail("history import: expected FOLDER");
                if (filtered || a_.reportForce || a_.reportFull) {
                    return Fail("history import: takes no options");
                }
                return true;
            case HistoryAction::List:
                break;
        }
        if (a_.reportForce) return Fail("history: --force is for history report");
        if (a_.reportFull) return Fail("history: --full is for history report");
        HistoryFilter filter;
        std::string error;
        if (!HistoryFilterFromText(HistoryFilterOf(a_), filter, error)) {
            return Fail("history: " + error);
        }
        return true;
    }

    bool Setting(const std::string& word) {
        const std::size_t eq = word.rfind('=');
        if (eq == std::string::npos) return Fail("set: expected ITEM=VALUE, not '" + word + "'");
        std::string title = word.substr(0, eq);
        if (title.size() >= 2 && title.front() == '"' && title.back() == '"') {
            title = title.substr(1, title.size() - 2);
        }
        title.erase(0, std::min(title.find_first_not_of(' '), title.size()));
        if (title.empty()) return Fail("set: '" + word + "' names no item");
        const std::string valueText = word.substr(eq + 1);
        const auto value = WholeNumber(valueText, -32768, 32767);
        if (!value) return Fail("set: " + title + ": '" + valueText + "' is not a whole number");
        for (const ItemSetting& s : a_.settings) {
            if (ItemKey(s.title) == ItemKey(title)) return Fail("set: " + title + " is given twice");
        }
        a_.settings.push_back({title, static_cast<std::int16_t>(*value)});
        return true;
    }

    bool Finish() {
        switch (a_.command) {
            case Command::Set:
                if (a_.settings.empty()) return Fail("set: give at least one ITEM=VALUE");
                break;
            case Command::Sweep:
                if (positional_ == 0) return Fail("sweep: expected bpf-all, bpf-t1 or bpf-t2");
                break;
            case Command::Level:
                if (positional_ == 0) return Fail("level: expected rx or tx");
                break;
            case Command::Run:
                if (positional_ == 0) return Fail("run: expected a procedure FILE");
                break;
            case Command::Report:
                if (positional_ < 2) return Fail("report: expected BACKUP and OUT");
                break;
            case Command::Bench:
                return FinishBench();
            case Command::History:
                return FinishHistory();
            default:
                break;
        }
        return true;
    }

    CommandArgs& a_;
    std::string& error_;
    int positional_ = 0;
};

// The whole command line: the program's options anywhere, one command and its words.
class CommandLineParser {
public:
    CommandLineParser(const std::vector<std::string>& args, CliParseResult& result)
        : args_(args), o_(result.options), error_(result.error) {}

    bool Run() {
        std::vector<Word> commandWords;
        bool literal = false;
        for (i_ = 0; i_ < args_.size(); ++i_) {
            const std::string& arg = args_[i_];
            if (!literal && arg == kEndOfOptions) {
                literal = true;
                continue;
            }
            if (!literal && IsSimulatorOption(arg)) {
                TakeSimulatorOption(args_, i_, o_.simulatorArgs, [this](const std::string& w) {
                    return o_.args.command == Command::None && CommandNamed(w) != nullptr;
                });
                continue;
            }
            if (!literal && IsGlobal(arg)) {
                if (!Global()) return false;
                continue;
            }
            if (o_.args.command != Command::None) {
                commandWords.push_back({arg, literal});
                continue;
            }
            const CommandSpec* command = literal ? nullptr : CommandNamed(arg);
            if (command == nullptr) {
                return Fail(!literal && StartsWith(arg, "-") ? "unknown option: " + arg
                                                             : "unknown command: " + arg);
            }
            o_.args.command = command->command;
        }
        if (o_.help || o_.version) return true;
        if (o_.args.command == Command::None) return Fail("no command given");
        error_ = SimulatorOptionsMistake(o_.simulate, o_.simulatorArgs);
        if (!error_.empty()) return false;
        if (o_.simulate && !o_.device.empty()) {
            return Fail("--simulate and --port both choose the line; give one of them");
        }
        if (!o_.records.empty()) {
            RecordsPlace place;
            std::string error;
            if (!RecordsPlaceFrom(o_.records, place, error)) return Fail("--records: " + error);
        }
        return ArgsParser(o_.args, error_).Run(commandWords);
    }

private:
    bool Fail(std::string text) {
        error_ = std::move(text);
        return false;
    }

    static bool IsGlobal(const std::string& arg) {
        // A command's own option of the same name would win; there is none.
        return GlobalOptionNamed(arg) != nullptr;
    }

    bool Global() {
        std::string value;
        if (Apply(args_, i_, *GlobalOptionNamed(args_[i_]), o_, value, error_)) {
            return error_.empty();
        }
        // --timeout, the one value that is a number.
        const auto seconds = WholeNumber(value, 1, kMaxTimeoutSeconds);
        if (!seconds) {
            return Fail("--timeout must be a whole number of seconds from 1 to " +
                        std::to_string(kMaxTimeoutSeconds) + ", not '" + value + "'");
        }
        o_.timeoutSeconds = static_cast<int>(*seconds);
        return true;
    }

    const std::vector<std::string>& args_;
    CliOptions& o_;
    std::string& error_;
    std::size_t i_ = 0;
};

}  // namespace

CliParseResult ParseCliCommandLine(const std::vector<std::string>& args) {
    CliParseResult result;
    CommandLineParser(args, result).Run();
    return result;
}

ScriptLineResult ParseScriptLine(const std::string& text, int line) {
    ScriptLineResult result;
    result.args.line = line;
    std::vector<std::string> split;
    if (!SplitScriptWords(text, split, result.error)) return result;
    if (split.empty()) return result;

    const CommandSpec* command = CommandNamed(split.front());
    if (command == nullptr || !command->inShell) {
        if (GlobalOptionNamed(split.front()) != nullptr ||
            IsSimulatorOption(split.front())) {
            result.error = split.front() + " is an option of the program: give it before 'shell'";
        } else if (command != nullptr) {
            result.error = split.front() + " does not run in a shell; run it on its own";
        } else {
            result.error = "unknown command: " + split.front();
        }
        return result;
    }
    result.args.command = command->command;
    std::vector<Word> words;
    bool literal = false;
    for (std::size_t i = 1; i < split.size(); ++i) {
        if (!literal && split[i] == kEndOfOptions) {
            literal = true;
            continue;
        }
        if (!literal && (GlobalOptionNamed(split[i]) != nullptr ||
                         IsSimulatorOption(split[i]))) {
            result.error = split[i] + " is an option of the program: give it before 'shell'";
            return result;
        }
        words.push_back({split[i], literal});
    }
    ArgsParser(result.args, result.error).Run(words);
    return result;
}

HistoryFilterText HistoryFilterOf(const CommandArgs& args) {
    return {args.historySerial, args.historyWorkOrder, args.historyTechnician,
            args.historySince,  args.historyUntil,     args.historyVerdict};
}

std::string CommandName(Command command) {
    return std::string(SpecOf(command).name);
}

Needs CommandNeeds(Command command) {
    return SpecOf(command).needs;
}

std::string CliUsageText(const std::string& programName) {
    return "Usage: " + programName +
           " [--port DEVICE] [--trace FILE] [--json] [--timeout SECONDS] [--no-backup]\n"
           "           COMMAND [ARGS]\n"
           "  or:  " + programName +
           " --simulate [--sim-OPTION [V]]... [OPTION]... COMMAND [ARGS]\n"
           "  or:  " + programName + " [OPTION]... shell [--script FILE]\n"
           "The QT-71DR service adjustment without a window. identify asks the radio for its\n"
           "codes only. read, params and readings read the radio's memory and its live\n"
           "readings and never change it. set, sweep, level and rssi change the radio: they\n"
           "first make sure the backup and journal of the connection are written, then send\n"
           "every item once as Connect does, then do their work.\n"
           "\n"
           "Commands:\n"
           "  identify                 Identification only: model code, sub code, accepted.\n"
           "  read [--image FILE] [--backup]\n"
           "                           Clone read; --image writes the 32112 bytes as the\n"
           "                           radio sent them, --backup prints where the backup went.\n"
           "  params                   The parameter page (Disp para).\n"
           "  readings                 One [A/D] and [D/A] reading cycle.\n"
           "  set ITEM=VALUE...        Sets console items by title, e.g. Power(Hi)=150 BAL=120\n"
           "                           \"CH No.\"=2; values outside an item's limits are refused\n"
           "                           before anything is sent.\n"
           "  sweep bpf-all|bpf-t1|bpf-t2\n"
           "                           The band-pass sweep, as Enter on the item starts it.\n"
           "  level rx|tx [--target N] The level adjustment (N: target level 0..255).\n"
           "  rssi                     Captures the S3 and then the S1 level, each when Enter\n"
           "                           is pressed on the terminal.\n"
           "  bench identify ADDRESS [--profile FILE]\n"
           "                           The instrument's answer to *IDN?.\n"
           "  bench measure power|deviation|frequency ADDRESS [--profile FILE]\n"
           "                           One reading of the meter: W, Hz, Hz.\n"
           "  bench generator ADDRESS [--frequency HZ] [--level DBM] [--rf on|off]\n"
           "                  [--profile FILE]\n"
           "                           Sets the generator (RF off first, on last).\n"
           "                           ADDRESS: TCPIP::HOST::PORT::SOCKET, TCPIP::HOST::SOCKET\n"
           "                           (port 5025), USB::/dev/usbtmc0 or /dev/usbtmc0. The\n"
           "                           bench commands never touch the radio; with --simulate\n"
           "                           they use the virtual service monitor, whatever ADDRESS\n"
           "                           says (it may then be left out). In a shell, what they\n"
           "                           set and read goes into the connection's journal.\n"
           "  run FILE [--technician NAME] [--serial TEXT] [--work-order TEXT] [--yes]\n"
           "                           Runs the alignment procedure in FILE (TOML) on one\n"
           "                           connection: each step passes, fails or is skipped, with\n"
           "                           the values it saw; the verdict goes into the report.\n"
           "                           Prompts ask on the terminal; --yes answers them all\n"
           "                           (a bench wired so that no hand is needed). The file is\n"
           "                           checked before the port opens. Ctrl-C stops at the\n"
           "                           next safe point, the generator's RF switched off.\n"
           "                           Without --serial (or --technician) the record has\n"
           "                           none, and standard error says so. An instrument whose\n"
           "                           calibration is overdue or not dated in qs71dr-adj's\n"
           "                           bench settings is named on standard error and beside\n"
           "                           the verdict; with calibration_check=refuse there,\n"
           "                           nothing starts (status 2).\n"
           "  report BACKUP OUT [--force] [--full]\n"
           "                           The alignment report of a backup (as qs71dr-adj --report).\n"
           "                           --full adds every value of each step, the last raw\n"
           "                           readings, the bench's settings and the journal.\n"
           "  history [--serial S] [--work-order W] [--technician T] [--since DAY]\n"
           "          [--until DAY] [--verdict pass|fail]\n"
           "                           The recorded connections, newest first, as a table (or\n"
           "                           one JSON document with --json). S, W and T find a\n"
           "                           part in any case (4f12 finds SN 4F12). DAY: 2026-12-07,\n"
           "                           local time; both days count.\n"
           "  history report ID OUT [--force] [--full]\n"
           "                           The alignment report of a recorded connection (ID from\n"
           "                           the table), as PDF or HTML by OUT's extension.\n"
           "  history import FOLDER    Takes a backups folder's connections into the records;\n"
           "                           prints the counts and the files it could not read.\n"
           "                           The history commands never touch the radio and run\n"
           "                           beside qs71dr-adj.\n"
           "  shell [--script FILE]    Reads commands, one a line, from standard input or FILE,\n"
           "                           connects once and runs them in order; # starts a\n"
           "                           comment. The first command that fails stops the rest.\n"
           "\n"
           "Options:\n"
           "  --port DEVICE      The radio's serial device (default: COM 1's device,\n"
           "                     /dev/ttyUSB0). Copies on different devices run side by\n"
           "                     side; a device another program has open is refused.\n" +
           SimulatorOptionsHelp() +
           "  --trace FILE       Append every frame on the serial line to FILE.\n"
           "  --json             One JSON document on standard output (in a shell, one a\n"
           "                     line, one per command).\n"
           "  --timeout SECONDS  Give up a command after this long (default 600); a run then\n"
           "                     stops at its next safe point as Ctrl-C stops it.\n"
           "  --records URL      The service records for this run: postgresql://USER@HOST/DB\n"
           "                     (a shop's server; the bench's file first, sent on from\n"
           "                     there), none (no records), or empty for the bench's file.\n"
           "                     Default: [RECORDS] url= of qs71dr-adj's settings.\n"
           "  --no-backup        Change the radio even when the backup or journal cannot be\n"
           "                     written (they are still tried).\n"
           "  -h, --help, --version\n"
           "  --                 Every word after it is an argument, e.g. a file name that\n"
           "                     starts with -.\n"
           "\n"
           "Exit status: 0 done (run: every step passed); 1 radio, port, instrument or file\n"
           "failure, the backup could not be written, a step of run failed, or (history) the\n"
           "records cannot be opened or the ID is unknown (the message on standard error),\n"
           "or the reader of standard output or error went away (a closed pipe: a run then\n"
           "stops as a signal stops it); 2 bad options or arguments (a bad ADDRESS or profile\n"
           "file, or a mistake in a procedure file, too); 128+N when stopped by signal N (130\n"
           "for Ctrl-C): the port is then closed and the journal, if there is one, complete.\n"
           "Backups and journals go where qs71dr-adj puts them ($XDG_DATA_HOME/qs71dr-adj/\n"
           "backups, usually ~/.local/share/qs71dr-adj/backups). qs71dr-cli does not run while\n"
           "qs71dr-adj (or another qs71dr-cli) runs, as two programs would fight over the radio.\n"
           "\n" +
           PortCheckHelpText();
}

}  // namespace qs::cli
