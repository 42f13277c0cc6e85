#include "desktop/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <array>
#include <string_view>

#include "history/records_settings.h"
#include "port/port_advice.h"
#include "program/program_root.h"
#include "program/simulator_options.h"

namespace qs::qt {

namespace {

// Qt's own options, accepted here and handed on to Qt unread, so that the program can be
// started as any Qt program can. `valueName` is null for the options without a value.
struct QtOption {
    const char* name;
    const char* valueName;
    const char* description;
};

constexpr std::array<QtOption, 21> kQtOptions{{
    {"platform", "NAME[:OPTIONS]", "the platform plugin: xcb, wayland, offscreen ..."},
    {"platformpluginpath", "PATH", "where to look for platform plugins"},
    {"platformtheme", "THEME", "the platform theme"},
    {"plugin", "PLUGIN", "an extra plugin to load"},
    {"qwindowgeometry", "GEOMETRY", "the main window's geometry, e.g. 800x600+0+0"},
    {"geometry", "GEOMETRY", "the same (X11)"},
    {"qwindowicon", "ICON", "the window icon"},
    {"icon", "ICON", "the same (X11)"},
    {"qwindowtitle", "TITLE", "the window title"},
    {"title", "TITLE", "the same (X11)"},
    {"name", "NAME", "the application's name for the window system"},
    {"display", "DISPLAY", "the X display to use"},
    {"session", "SESSION", "restore from a session"},
    {"style", "STYLE", "the widget style: Fusion, Windows ..."},
    {"stylesheet", "FILE", "a style sheet"},
    {"qmljsdebugger", "OPTIONS", "the QML debugger"},
    {"reverse", nullptr, "right-to-left layout"},
    {"widgetcount", nullptr, "report the widgets left at the end"},
    {"nograb", nullptr, "never grab mouse or keyboard (X11)"},
    {"dograb", nullptr, "grab even under a debugger (X11)"},
    {"sync", nullptr, "synchronous X11 calls, for debugging"},
}};

// The program's own options that take a value, and what a missing value should be.
struct ValueOption {
    const char* name;
    const char* needs;
};
constexpr std::array<ValueOption, 4> kValueOptions{{
    {"records", "--records needs postgresql://USER@HOST/DB or none"},
    {"port", "--port needs a value such as 1=/dev/ttyUSB0"},
    {"trace", "--trace needs a file name"},
    {"report", "--report needs a backup file and an output file (.pdf or .html)"},
}};

QString Q(const char* text) {
    return QString::fromLatin1(text);
}

// The option a word names ("--trace=x" and "-trace" give "trace"), empty for other words.
QString OptionName(const QString& word) {
    if (!word.startsWith(QLatin1Char('-')) || word == QStringLiteral("--")) return QString();
    QString name = word.mid(word.startsWith(QStringLiteral("--")) ? 2 : 1);
    return name.left(name.indexOf(QLatin1Char('=')));
}

// Our own words for a value option given last without its value.
std::string MissingValue(const QStringList& words) {
    if (words.size() < 2 || words.last().contains(QLatin1Char('='))) return std::string();
    const QString name = OptionName(words.last());
    for (const ValueOption& option : kValueOptions) {
        if (name == Q(option.name)) return option.needs;
    }
    return std::string();
}

}  // namespace

CommandLineResult ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineResult result;
    CommandLine& options = result.options;

    // The virtual radio's options are its own; the rest is ours or Qt's.
    QStringList words{QStringLiteral("qs71dr-adj")};
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (IsSimulatorOption(args[i])) {
            TakeSimulatorOption(args, i, options.simulatorArgs);
        } else {
            words << QString::fromStdString(args[i]);
        }
    }
    result.error = MissingValue(words);
    if (!result.error.empty()) return result;

    QCommandLineParser parser;
    // Qt's options are single-dash words (-platform); ours take one dash or two.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help"),
                                              QStringLiteral("?")});
    const QCommandLineOption helpAll(QStringLiteral("help-all"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption simulate(QStringLiteral("simulate"));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption full(QStringLiteral("full"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("N=DEVICE"));
    const QCommandLineOption trace(QStringLiteral("trace"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption report(QStringLiteral("report"), QString(), QStringLiteral("BACKUP"));
    const QCommandLineOption records(QStringLiteral("records"), QString(), QStringLiteral("URL"));
    parser.addOptions(
        {help, helpAll, version, simulate, listPorts, force, full, port, trace, report, records});
    for (const QtOption& qtOption : kQtOptions) {
        QCommandLineOption option(Q(qtOption.name), Q(qtOption.description),
                                  qtOption.valueName != nullptr ? Q(qtOption.valueName)
                                                                : QString());
        parser.addOption(option);
    }
    if (!parser.parse(words)) {
        result.error = parser.errorText().toStdString();
        return result;
    }

    options.help = parser.isSet(help);
    options.helpAll = parser.isSet(helpAll);
    options.version = parser.isSet(version);
    options.simulate = parser.isSet(simulate);
    options.listPorts = parser.isSet(listPorts);
    options.force = parser.isSet(force);
    options.full = parser.isSet(full);
    for (const QString& value : parser.values(port)) {
        const std::optional<PortBinding> binding = ParsePortBinding(value.toStdString());
        if (!binding) {
            result.error = "--port " + value.toStdString() +
                           ": expected N=DEVICE with N from 1 to 10, for example "
                           "--port 2=/dev/ttyS0";
            return result;
        }
        options.ports.push_back(*binding);
    }
    if (parser.isSet(trace)) {
        options.traceFile = parser.value(trace).toStdString();
        if (options.traceFile.empty()) {
            result.error = "--trace needs a file name";
            return result;
        }
    }

    if (parser.isSet(records)) {
        options.records = parser.value(records).toStdString();
        RecordsPlace place;
        std::string error;
        if (options.records->empty()) error = "needs postgresql://USER@HOST/DB or none";
        if (!error.empty() || !RecordsPlaceFrom(*options.records, place, error)) {
            result.error = "--records: " + error;
            return result;
        }
    }

    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(report)) {
        options.report = true;
        options.reportBackup = parser.value(report).toStdString();
        if (options.reportBackup.empty() || positional.size() != 1) {
            result.error = "--report needs a backup file and an output file (.pdf or .html)";
            return result;
        }
        options.reportOut = positional.front().toStdString();
    } else if (!positional.isEmpty()) {
        result.error = "unexpected argument: " + positional.front().toStdString();
        return result;
    }
    if (options.force && !options.report) {
        result.error = "--force goes with --report";
        return result;
    }
    if (options.full && !options.report) {
        result.error = "--full goes with --report";
        return result;
    }
    result.error = SimulatorOptionsMistake(options.simulate, options.simulatorArgs);
    if (!result.error.empty()) return result;
    if (options.simulate) {
        const bool simulatorPortBound =
            std::any_of(options.ports.begin(), options.ports.end(),
                        [](const PortBinding& b) { return b.port == kSimulatorPort; });
        if (simulatorPortBound) {
            result.error =
                "--simulate puts the virtual radio on COM 1; bind the cable with "
                "--port to COM 2 to COM 10 instead";
        }
    }
    return result;
}

std::string UsageText(const std::string& programName) {
    return "Usage: " + programName +
           " [--port N=DEVICE]... [--trace FILE] [--records URL|none]\n"
           "           [--simulate [--sim-...]]\n"
           "  or:  " + programName + " --list-ports\n"
           "  or:  " + programName + " --report BACKUP OUT [--force] [--full]\n"
           "Service adjustment utility for the QT-71DR radio.\n"
           "\n"
           "  --port N=DEVICE    Use DEVICE for \"COM N\" of the Option > Port menu (N = 1..10).\n"
           "                     May be repeated. Without it COM N is /dev/ttyUSB<N-1> on\n"
           "                     Linux and COMN on Windows.\n" +
           SimulatorOptionsHelp() +
           "  --trace FILE       Append every frame on the serial line to FILE, both\n"
           "                     directions, with a millisecond time stamp and the decoded\n"
           "                     command. Without it nothing is logged.\n"
           "  --records URL      Keep this run's service records also in a shop's server,\n"
           "                     postgresql://USER@HOST/DB (written on the bench first and\n"
           "                     sent on from there), or none to keep none. Without it, as\n"
           "                     the settings' [RECORDS] url= says (empty: on the bench only).\n"
           "  --list-ports       List the serial devices with their description and USB\n"
           "                     vendor:product ids, and exit.\n"
           "  --report BACKUP OUT\n"
           "                     Write the alignment report of the connection whose backup\n"
           "                     (.qsbak) is BACKUP, from it, its journal and its curves file,\n"
           "                     to OUT as PDF or HTML (by OUT's extension), and exit. No\n"
           "                     window or display is needed.\n"
           "  --force            With --report: overwrite OUT when it exists.\n"
           "  --full             With --report: add every value of each step, the last raw\n"
           "                     readings, the bench's settings and the journal.\n"
           "  -h, --help         Show this help and exit.\n"
           "  --help-all         Show this help and Qt's own options, and exit.\n"
           "  --version          Show the version and exit.\n"
           "\n"
           "Exit status: 0 ended normally; 1 not started (another copy runs, or the virtual\n"
           "radio could not be started); 2 bad options.\n"
           "\n"
           "The settings (port and automatic port release) are kept in RW5120A.rs in\n"
           "$XDG_CONFIG_HOME/qs71dr-adj (usually ~/.config/qs71dr-adj); a RW5120A.rs\n"
           "beside the program is copied there once. Every memory image read at Connect\n"
           "is backed up, with a journal of the adjustments sent, in\n"
           "$XDG_DATA_HOME/qs71dr-adj/backups (usually ~/.local/share/qs71dr-adj/backups),\n"
           "and every connection in the service records records.sqlite beside that folder\n"
           "(View > History).\n"
           "\n" +
           PortCheckHelpText();
}

std::string UsageTextWithQtOptions(const std::string& programName) {
    std::string text = UsageText(programName) + "\nQt's own options, handed on to Qt:\n";
    for (const QtOption& option : kQtOptions) {
        std::string left = std::string("  -") + option.name;
        if (option.valueName != nullptr) left += std::string(" ") + option.valueName;
        left.resize(std::max<std::size_t>(left.size() + 1, 33), ' ');
        text += left + option.description + "\n";
    }
    return text;
}

}  // namespace qs::qt
