#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string_view>

#include "port/port_advice.h"

namespace qs::cli {

namespace {

constexpr std::string_view kSimPrefix = "--sim-";
constexpr int kMaxTimeoutSeconds = 24 * 3600;
constexpr int kMaxLevelTarget = 255;

struct CommandWordRow {
    std::string_view name;
    Command command;
};
constexpr std::array<CommandWordRow, 9> kCommands{{
    {"identify", Command::Identify},
    {"read", Command::Read},
    {"params", Command::Params},
    {"readings", Command::Readings},
    {"set", Command::Set},
    {"sweep", Command::Sweep},
    {"level", Command::Level},
    {"rssi", Command::Rssi},
    {"report", Command::Report},
}};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::optional<Command> CommandNamed(std::string_view word) {
    for (const CommandWordRow& c : kCommands) {
        if (c.name == word) return c.command;
    }
    return std::nullopt;
}

std::optional<long> WholeNumber(std::string_view text, long low, long high) {
    long value = 0;
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

// Walks the arguments; every method returns false with `error` set on a mistake.
class Parser {
public:
    Parser(const std::vector<std::string>& args, CliParseResult& result)
        : args_(args), result_(result), o_(result.options) {}

    bool Run() {
        for (i_ = 0; i_ < args_.size(); ++i_) {
            const std::string& arg = args_[i_];
            bool handled = false;
            if (!Global(arg, handled)) return false;
            if (handled) continue;
            if (o_.command == Command::None) {
                const std::optional<Command> command = CommandNamed(arg);
                if (!command) {
                    return Fail(StartsWith(arg, "-") ? "unknown option: " + arg
                                                     : "unknown command: " + arg);
                }
                o_.command = *command;
                continue;
            }
            if (!CommandArgument(arg)) return false;
        }
        if (o_.help || o_.version) return true;
        return Finish();
    }

private:
    bool Fail(std::string text) {
        result_.error = std::move(text);
        return false;
    }

    // The value of `--name VALUE` or `--name=VALUE`; `arg` is known to be one of the two.
    bool Value(const std::string& arg, std::string_view name, std::string& value,
               const char* what) {
        if (arg.size() > name.size()) {
            value = arg.substr(name.size() + 1);
        } else if (i_ + 1 < args_.size()) {
            value = args_[++i_];
        } else {
            value.clear();
        }
        if (value.empty()) return Fail(std::string(name) + " needs " + what);
        return true;
    }

    static bool Is(const std::string& arg, std::string_view name) {
        return arg == name || (StartsWith(arg, name) && arg.size() > name.size() &&
                               arg[name.size()] == '=');
    }

    bool Global(const std::string& arg, bool& handled) {
        handled = true;
        std::string value;
        if (arg == "--help" || arg == "-h") {
            o_.help = true;
        } else if (arg == "--version") {
            o_.version = true;
        } else if (arg == "--json") {
            o_.json = true;
        } else if (arg == "--simulate") {
            o_.simulate = true;
        } else if (Is(arg, "--port")) {
            if (!Value(arg, "--port", value, "a device, for example /dev/ttyUSB0")) return false;
            o_.device = value;
        } else if (Is(arg, "--trace")) {
            if (!Value(arg, "--trace", value, "a file name")) return false;
            o_.traceFile = value;
        } else if (Is(arg, "--timeout")) {
            if (!Value(arg, "--timeout", value, "a number of seconds")) return false;
            const auto seconds = WholeNumber(value, 1, kMaxTimeoutSeconds);
            if (!seconds) {
                return Fail("--timeout must be a whole number of seconds from 1 to " +
                            std::to_string(kMaxTimeoutSeconds) + ", not '" + value + "'");
            }
            o_.timeoutSeconds = static_cast<int>(*seconds);
        } else if (StartsWith(arg, kSimPrefix) && arg.size() > kSimPrefix.size()) {
            const std::string name = "--" + arg.substr(kSimPrefix.size());
            o_.simulatorArgs.push_back(name);
            // A following word is the option's value unless it is an option or the command.
            const bool inlineValue = name.find('=') != std::string::npos;
            if (!inlineValue && i_ + 1 < args_.size() && !StartsWith(args_[i_ + 1], "-") &&
                !(o_.command == Command::None && CommandNamed(args_[i_ + 1]))) {
                o_.simulatorArgs.push_back(args_[++i_]);
            }
        } else {
            handled = false;
        }
        return true;
    }

    bool CommandArgument(const std::string& arg) {
        std::string value;
        switch (o_.command) {
            case Command::Read:
                if (arg == "--backup") {
                    o_.showBackup = true;
                    return true;
                }
                if (Is(arg, "--image")) return Value(arg, "--image", o_.imageFile, "a file name");
                break;
            case Command::Set:
                if (!StartsWith(arg, "-")) return Setting(arg);
                break;
            case Command::Sweep:
                if (!StartsWith(arg, "-") && positional_++ == 0) {
                    if (arg == "bpf-all") o_.sweep = SweepKind::All;
                    else if (arg == "bpf-t1") o_.sweep = SweepKind::T1;
                    else if (arg == "bpf-t2") o_.sweep = SweepKind::T2;
                    else return Fail("sweep: expected bpf-all, bpf-t1 or bpf-t2, not '" + arg + "'");
                    return true;
                }
                break;
            case Command::Level:
                if (Is(arg, "--target")) {
                    if (!Value(arg, "--target", value, "a level from 0 to 255")) return false;
                    const auto n = WholeNumber(value, 0, kMaxLevelTarget);
                    if (!n) return Fail("level: --target must be from 0 to 255, not '" + value + "'");
                    o_.target = static_cast<std::int16_t>(*n);
                    return true;
                }
                if (!StartsWith(arg, "-") && positional_++ == 0) {
                    if (arg == "rx") o_.level = LevelKind::Rx;
                    else if (arg == "tx") o_.level = LevelKind::Tx;
                    else return Fail("level: expected rx or tx, not '" + arg + "'");
                    return true;
                }
                break;
            case Command::Report:
                if (arg == "--force") {
                    o_.reportForce = true;
                    return true;
                }
                if (!StartsWith(arg, "-") || arg == "-") {
                    const int n = positional_++;
                    if (n == 0) o_.reportBackup = arg;
                    if (n == 1) o_.reportOut = arg;
                    if (n <= 1) return true;
                }
                break;
            default:
                break;
        }
        return Fail(StartsWith(arg, "-") ? "unknown option for " + CommandWord() + ": " + arg
                                         : "unexpected argument for " + CommandWord() + ": " + arg);
    }

    bool Setting(const std::string& arg) {
        const std::size_t eq = arg.rfind('=');
        if (eq == std::string::npos) return Fail("set: expected ITEM=VALUE, not '" + arg + "'");
        std::string title = arg.substr(0, eq);
        if (title.size() >= 2 && title.front() == '"' && title.back() == '"') {
            title = title.substr(1, title.size() - 2);
        }
        title.erase(0, std::min(title.find_first_not_of(' '), title.size()));
        if (title.empty()) return Fail("set: '" + arg + "' names no item");
        const std::string valueText = arg.substr(eq + 1);
        const auto value = WholeNumber(valueText, -32768, 32767);
        if (!value) return Fail("set: " + title + ": '" + valueText + "' is not a whole number");
        for (const ItemSetting& s : o_.settings) {
            if (ItemKey(s.title) == ItemKey(title)) return Fail("set: " + title + " is given twice");
        }
        o_.settings.push_back({title, static_cast<std::int16_t>(*value)});
        return true;
    }

    std::string CommandWord() const { return CommandName(o_.command); }

    bool Finish() {
        if (o_.command == Command::None) return Fail("no command given");
        if (!o_.simulatorArgs.empty() && !o_.simulate) {
            return Fail(o_.simulatorArgs.front().substr(2) +
                        ": virtual radio options (--sim-...) need --simulate");
        }
        if (o_.simulate && !o_.device.empty()) {
            return Fail("--simulate and --port both choose the line; give one of them");
        }
        switch (o_.command) {
            case Command::Set:
                if (o_.settings.empty()) return Fail("set: give at least one ITEM=VALUE");
                break;
            case Command::Sweep:
                if (positional_ == 0) return Fail("sweep: expected bpf-all, bpf-t1 or bpf-t2");
                break;
            case Command::Level:
                if (positional_ == 0) return Fail("level: expected rx or tx");
                break;
            case Command::Report:
                if (positional_ < 2) return Fail("report: expected BACKUP and OUT");
                break;
            default:
                break;
        }
        return true;
    }

    const std::vector<std::string>& args_;
    CliParseResult& result_;
    CliOptions& o_;
    std::size_t i_ = 0;
    int positional_ = 0;
};

}  // namespace

CliParseResult ParseCliCommandLine(const std::vector<std::string>& args) {
    CliParseResult result;
    Parser(args, result).Run();
    return result;
}

std::string CommandName(Command command) {
    for (const CommandWordRow& c : kCommands) {
        if (c.command == command) return std::string(c.name);
    }
    return std::string();
}

std::string ItemKey(const std::string& title) {
    std::string key = title.substr(std::min(title.find_first_not_of(' '), title.size()));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

std::string CliUsageText(const std::string& programName) {
    return "Usage: " + programName +
           " [--port DEVICE] [--trace FILE] [--json] [--timeout SECONDS] COMMAND [ARGS]\n"
           "  or:  " + programName +
           " --simulate [--sim-OPTION [V]]... [OPTION]... COMMAND [ARGS]\n"
           "The QT-71DR service adjustment without a window. Every command except identify\n"
           "and report first connects as Connect does: identification, clone read, backup\n"
           "and journal, the items sent once.\n"
           "\n"
           "Commands:\n"
           "  identify                 Identification only: model code, sub code, accepted.\n"
           "  read [--image FILE] [--backup]\n"
           "                           Clone read; --image writes the raw 32112 bytes,\n"
           "                           --backup prints where the backup went.\n"
           "  params                   The parameter page (Disp para).\n"
           "  readings                 One [A/D] and [D/A] reading cycle.\n"
           "  set ITEM=VALUE...        Sets console items by title, e.g. Power(Hi)=150 BAL=120\n"
           "                           \"CH No.\"=2; values outside an item's limits are refused.\n"
           "  sweep bpf-all|bpf-t1|bpf-t2\n"
           "                           The band-pass sweep, as Enter on the item starts it.\n"
           "  level rx|tx [--target N] The level adjustment (N: target level 0..255).\n"
           "  rssi                     Captures the S3 and then the S1 level, each when Enter\n"
           "                           is pressed on the terminal.\n"
           "  report BACKUP OUT [--force]\n"
           "                           The alignment report of a backup (as qs71dr-adj --report).\n"
           "\n"
           "Options:\n"
           "  --port DEVICE      The radio's serial device (default: COM 1's device,\n"
           "                     /dev/ttyUSB0).\n"
           "  --simulate         Use the virtual radio qt71dr-sim on a pseudo-terminal.\n"
           "  --sim-OPTION [V]   Hand --OPTION [V] to the virtual radio, e.g. --sim-baud 0.\n"
           "  --trace FILE       Append every frame on the serial line to FILE.\n"
           "  --json             One JSON document on standard output.\n"
           "  --timeout SECONDS  Give up after this long (default 600).\n"
           "  --help, --version\n"
           "\n"
           "Exit status: 0 done; 1 radio or port failure (the message on standard error);\n"
           "2 bad options or arguments; 130 stopped by Ctrl-C (port closed, journal complete).\n"
           "Backups and journals go where qs71dr-adj puts them ($XDG_DATA_HOME/qs71dr-adj/\n"
           "backups, usually ~/.local/share/qs71dr-adj/backups). qs71dr-cli does not run while\n"
           "qs71dr-adj (or another qs71dr-cli) runs, as two programs would fight over the radio.\n"
           "\n" +
           PortCheckHelpText();
}

}  // namespace qs::cli
