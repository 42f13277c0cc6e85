// qs71dr-cli: the QT-71DR service adjustment from the command line, on QtCore only.
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/bench_command.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_runner.h"
#include "cli/desktop_settings.h"
#include "cli/history_command.h"
#include "cli/report_command.h"
#include "cli/run_command.h"
#include "cli/shell_script.h"
#include "cli/standard_streams.h"
#include "program/exit_status.h"
#include "qtcore/close_on_signal.h"
#include "safety/safety_net.h"

namespace {

using namespace qs;
using namespace qs::cli;

constexpr const char* kProgramName = "qs71dr-cli";

// One JSON document a command: indented for a single command, one a line in a shell.
void PrintJson(const QJsonObject& json, bool shell) {
    const QJsonDocument document(json);
    if (shell) {
        std::fputs(document.toJson(QJsonDocument::Compact).constData(), stdout);
        std::fputs("\n", stdout);
    } else {
        std::fputs(document.toJson(QJsonDocument::Indented).constData(), stdout);
    }
    std::fflush(stdout);
}

int BadArguments(const std::string& error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgramName, error.c_str(), kProgramName);
    return kExitUsage;
}

// With --json, standard output holds one document even when no command ran.
int NotRun(const CliOptions& options, int status, const std::string& error) {
    if (options.json) {
        PrintJson(QJsonObject{{QStringLiteral("command"),
                               QString::fromStdString(CommandName(options.args.command))},
                              {QStringLiteral("ok"), false},
                              {QStringLiteral("error"), QString::fromStdString(error)}},
                  options.args.command == Command::Shell);
    }
    return status;
}

// The commands to run: the one of the command line, or every line of the shell's script.
bool CommandsToRun(const CliOptions& options, std::vector<CommandArgs>& commands,
                   std::string& error) {
    if (options.args.command != Command::Shell) {
        commands = {options.args};
        return true;
    }
    std::string text;
    return ReadScript(options.args.scriptFile, text, error) &&
           ParseScript(text, options.args.scriptFile.empty(), commands, error);
}

}  // namespace

int main(int argc, char** argv) {
    qt::IgnoreBrokenPipes();
    // Options and scripts are checked before anything starts, so that mistakes never open
    // the port.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CliParseResult parsed = ParseCliCommandLine(args);
    if (!parsed.ok()) return BadArguments(parsed.error);
    const CliOptions& options = parsed.options;
    if (options.help) {
        std::fputs(CliUsageText(kProgramName).c_str(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("%s %s\n", kProgramName, QS_VERSION_TEXT);
        return kExitOk;
    }
    if (options.args.command == Command::Report) {
        return EndWithOutputChecked(RunReportCommand(options.args.reportBackup,
                                                     options.args.reportOut,
                                                     options.args.reportForce,
                                                     options.args.reportFull, options.json));
    }
    // The records of both programs of the bench: qs71dr-adj's settings, unless --records says.
    const RecordsSettings recordsSettings = DesktopRecordsSettings();
    const std::string recordsUrl = options.records.empty() ? recordsSettings.url : options.records;
    if (options.args.command == Command::History) {
        return EndWithOutputChecked(RunHistoryCommand(argc, argv, options.args, recordsUrl,
                                                      recordsSettings.benchName, options.json));
    }
    const bool shell = options.args.command == Command::Shell;
    std::vector<CommandArgs> commands;
    std::string error;
    if (!CommandsToRun(options, commands, error)) {
        return NotRun(options, BadArguments(error), error);
    }
    for (const CommandArgs& command : commands) {
        const bool checked =
            CommandRunner::CheckFiles(command, error) &&
            (command.command != Command::Bench ||
             BenchCommand::Check(command.bench, options.simulate, error)) &&
            (command.command != Command::Run ||
             RunCommand::Check(command, options.simulate, error));
        if (!checked) {
            const std::string where =
                command.line > 0 ? "line " + std::to_string(command.line) + ": " : "";
            return NotRun(options, BadArguments(where + error), where + error);
        }
    }
    // Commands of the bench alone never touch the radio: no port, no clone read.
    const bool radio = std::any_of(commands.begin(), commands.end(), [](const CommandArgs& c) {
        return CommandNeeds(c.command) != Needs::Instruments;
    });

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));

    SessionSetup setup;
    setup.device = options.device;
    setup.simulate = options.simulate;
    setup.simulatorArgs = options.simulatorArgs;
    setup.traceFile = options.traceFile;
    setup.timeoutSeconds = options.timeoutSeconds;
    setup.progressBar = ::isatty(STDERR_FILENO) == 1;
    setup.records.url = recordsUrl;
    setup.records.benchName = recordsSettings.benchName;
    // Commands that only read the radio keep their records on the bench: the shop's server
    // gets them from the next program that sends, and they never wait on it.
    setup.records.sendToServer =
        std::any_of(commands.begin(), commands.end(),
                    [](const CommandArgs& c) { return CommandNeeds(c.command) == Needs::Adjustment; });
    setup.calibration = DesktopBenchSettings();
    CliSession session(setup);
    CommandRunner runner(session, options);

    if (!session.OpenTrace(error)) {
        return NotRun(options, BadArguments("--trace " + error), "--trace " + error);
    }
    // A start that fails has its message on standard error already.
    if (!radio) {
        session.StartWithoutRadio();
    } else if (!session.Start()) {
        const auto& shown = session.messages().messages();
        return NotRun(options, kExitFailure, shown.empty() ? std::string() : shown.back());
    } else {
        // --no-backup: changes go on without them, also when the journal fails on the way.
        session.safety().setJournalOptional(options.noBackup);
    }
    for (const CommandArgs& command : commands) {
        if (!runner.CheckArguments(command, error)) {
            const std::string where =
                command.line > 0 ? "line " + std::to_string(command.line) + ": " : "";
            return NotRun(options, BadArguments(where + error), where + error);
        }
    }
    if (!session.StartSimulator(error)) {
        std::fprintf(stderr, "%s: --simulate: %s\n", kProgramName, error.c_str());
        return NotRun(options, kExitFailure, "--simulate: " + error);
    }

    // In order; the first command that fails stops the rest and gives the status.
    int status = kExitOk;
    for (const CommandArgs& command : commands) {
        const CommandResult result = runner.Run(command);
        if (options.json) {
            PrintJson(result.json, shell);
        } else {
            std::fputs(result.text.c_str(), stdout);
            std::fflush(stdout);
        }
        status = result.status;
        if (status != kExitOk) break;
    }
    session.Close();
    return EndWithOutputChecked(status);
}
