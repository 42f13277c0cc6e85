// qs71dr-cli: the QT-71DR service adjustment from the command line, on QtCore only.
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_runner.h"
#include "cli/report_command.h"

namespace {

constexpr const char* kProgramName = "qs71dr-cli";

int BadArguments(const std::string& error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgramName, error.c_str(), kProgramName);
    return qs::cli::kExitUsage;
}

// With --json, standard output holds one document even when the command never ran.
int NotRun(const qs::cli::CliOptions& options, int status, const std::string& error) {
    if (options.json) {
        const QJsonObject json{
            {QStringLiteral("command"), QString::fromStdString(qs::cli::CommandName(options.command))},
            {QStringLiteral("ok"), false},
            {QStringLiteral("error"), QString::fromStdString(error)}};
        std::fputs(QJsonDocument(json).toJson(QJsonDocument::Indented).constData(), stdout);
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qs::cli;
    // Options are checked before anything starts, so that mistakes never open the port.
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
    if (options.command == Command::Report) {
        return RunReportCommand(options.reportBackup, options.reportOut, options.reportForce,
                                options.json);
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));

    SessionSetup setup;
    setup.device = options.device;
    setup.simulate = options.simulate;
    setup.simulatorArgs = options.simulatorArgs;
    setup.traceFile = options.traceFile;
    setup.timeoutSeconds = options.timeoutSeconds;
    setup.progressBar = options.command != Command::Identify && ::isatty(STDERR_FILENO) == 1;
    CliSession session(setup);
    CommandRunner runner(session, options);

    std::string error;
    if (!session.OpenTrace(error)) {
        return NotRun(options, BadArguments("--trace " + error), "--trace " + error);
    }
    if (!runner.OpenFiles(error)) return NotRun(options, BadArguments(error), error);
    // A refused second copy has its message on standard error already.
    if (!session.Start()) {
        const auto& shown = session.messages().messages();
        return NotRun(options, kExitFailure, shown.empty() ? std::string() : shown.back());
    }
    if (!runner.CheckArguments(error)) return NotRun(options, BadArguments(error), error);
    if (!session.StartSimulator(error)) {
        std::fprintf(stderr, "%s: --simulate: %s\n", kProgramName, error.c_str());
        return NotRun(options, kExitFailure, "--simulate: " + error);
    }

    const CommandResult result = runner.Run();
    session.Close();
    if (options.json) {
        std::fputs(QJsonDocument(result.json).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        std::fputs(result.text.c_str(), stdout);
    }
    std::fflush(stdout);
    return result.status;
}
