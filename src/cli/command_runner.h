#pragma once

#include <memory>

#include <QJsonArray>
#include <QJsonObject>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/bench_command.h"
#include "cli/cli_session.h"
#include "cli/command_result.h"
#include "cli/item_settings.h"
#include "cli/terminal_technician.h"
#include "procedure/procedure.h"
#include "record/run_record.h"

namespace qs::cli {

// The commands of qs71dr-cli on a started session, one after another on its one connection,
// as the technician would do them in the desktop program. Each command first raises the
// connection to what it needs: nothing changes the radio before the backup and journal are
// written (or --no-backup says to go on without them).
class CommandRunner {
public:
    CommandRunner(CliSession& session, const CliOptions& options);

    // Before anything is opened: output files can be written (a bad path is a bad argument).
    static bool CheckFiles(const CommandArgs& args, std::string& error);
    // After the session has started, before the port is opened: item names and limits.
    bool CheckArguments(const CommandArgs& args, std::string& error);
    CommandResult Run(const CommandArgs& args);

private:
    CommandResult Identify(const CommandArgs& args);
    CommandResult Read(const CommandArgs& args);
    CommandResult Params(const CommandArgs& args);
    CommandResult Readings(const CommandArgs& args);
    CommandResult Set(const CommandArgs& args);
    CommandResult Sweep(const CommandArgs& args);
    CommandResult Level(const CommandArgs& args);
    CommandResult Rssi(const CommandArgs& args);
    CommandResult Bench(const CommandArgs& args);
    CommandResult RunProcedure(const CommandArgs& args);

    // Raise the connection; false with `result` filled when that did not succeed.
    bool Connect(CommandResult& result);
    // After a command that changed the radio: its journal must still be complete.
    void CheckJournal(const CommandArgs& args, CommandResult& result);
    // Runs until the cycle's end; false with `result` filled otherwise.
    bool Finish(CommandResult& result);
    // Fills `result` for an outcome other than Done.
    void Stopped(CliSession::Outcome outcome, CommandResult& result);
    void Fail(CommandResult& result, int status, const std::string& error);
    void AddItem(QJsonArray& items, std::string& text, std::int16_t item);
    // Runs `action` as a one-step procedure, as a run's step would run: Pass when it passed,
    // else how the step ended (Skipped when the run did not end at all), with `result` saying
    // why (`command` before it) and what the radio holds.
    StepOutcome RunStep(const std::string& command, procedure::StepAction action,
                        CommandResult& result);

    CliSession& session_;
    const CliOptions& options_;
    std::size_t messagesShown_ = 0;
    // One for the session: answers typed ahead wait for their own question.
    // Shared with the station, which keeps it as long as a run that may ask it.
    std::shared_ptr<TerminalTechnician> technician_;
};

}  // namespace qs::cli
