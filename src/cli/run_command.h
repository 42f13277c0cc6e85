#pragma once

#include <string>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_result.h"
#include "procedure/bench_binding.h"

namespace qs::cli {

class TerminalTechnician;

// `run FILE`: an alignment procedure on the session's one connection, the radio connected
// and its backup and journal written first (CommandRunner does that, between Prepare and Run). Each step passes,
// fails or is skipped, with the values it saw; the run's record goes into the connection's
// runs file for the report, and to standard output as text or JSON. A signal stops the run at
// its next safe point (the generator's RF switched off, an adjustment's item put back).
class RunCommand {
public:
    RunCommand(CliSession& session, const CliOptions& options, TerminalTechnician& technician)
        : session_(session), options_(options), technician_(technician) {}

    // Before anything is opened: the procedure file read and checked as a whole, with the
    // roles bound as --simulate binds them. False with every mistake in `error` (status 2).
    static bool Check(const CommandArgs& args, bool simulate, std::string& error);

    // Once the radio is read, before anything is sent: the file checked again, the bench bound
    // and held for the run, and on standard error what the record will lack (no serial
    // number, no technician) and each instrument whose calibration is not current. False with
    // `result` filled when the run cannot start: a mistake in the file (2), a bench that cannot
    // be set up (1), or calibration the bench settings refuse (2).
    bool Prepare(const CommandArgs& args, CommandResult& result);
    // Gives the bench back when the run does not go on after Prepare.
    void Release();

    // Runs it and fills `result`: status 0 when every step passed, 1 when one failed or the
    // radio or an instrument failed, 128+N when signal N stopped it.
    void Run(const CommandArgs& args, CommandResult& result);

private:
    procedure::RunStart start_;
    CliSession& session_;
    const CliOptions& options_;
    TerminalTechnician& technician_;
};

}  // namespace qs::cli
