#pragma once

#include <string>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_result.h"

namespace qs::cli {

class TerminalTechnician;

// `run FILE`: an alignment procedure on the session's one connection, the radio connected
// and its backup and journal written first (CommandRunner does that). Each step passes,
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

    // Before the port opens: the instruments the file names held for this run, so that one
    // another program's run has stops this one at once (status 1, the instrument and its
    // holder said). False with `result` filled.
    bool ReserveBench(const CommandArgs& args, CommandResult& result);

    // Runs it and fills `result`: status 0 when every step passed, 1 when one failed or the
    // radio or an instrument failed, 128+N when signal N stopped it.
    void Run(const CommandArgs& args, CommandResult& result);

private:
    CliSession& session_;
    const CliOptions& options_;
    TerminalTechnician& technician_;
};

}  // namespace qs::cli
