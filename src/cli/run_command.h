#pragma once

#include <memory>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_result.h"
#include "procedure/bench_binding.h"

namespace qs::cli {

class TerminalTechnician;

// `run FILE`: an alignment procedure on the session's one connection, through the station:
// the file and the bench first (Prepare), then the run connects and writes the backup and
// journal before it sends anything (Run). Each step passes, fails or is skipped, with the
// values it saw; the run's record goes into the connection's
// runs file for the report, and to standard output as text or JSON. A signal stops the run at
// its next safe point (the generator's RF switched off, an adjustment's item put back).
class RunCommand {
public:
    RunCommand(CliSession& session, const CliOptions& options,
               std::shared_ptr<TerminalTechnician> technician)
        : session_(session), options_(options), technician_(std::move(technician)) {}

    // Before anything is opened: the procedure file read and checked as a whole, with the
    // roles bound as --simulate binds them. False with every mistake in `error` (status 2).
    static bool Check(const CommandArgs& args, bool simulate, std::string& error);

    // Before the port opens: the file checked again, the bench bound and held for the run, and on standard error what the record will lack (no serial
    // number, no technician) and each instrument whose calibration is not current. False with
    // `result` filled when the run cannot start: a mistake in the file (2), a bench that cannot
    // be set up (1), or calibration the bench settings refuse (2).
    bool Prepare(const CommandArgs& args, CommandResult& result);
    // Runs it and fills `result`: status 0 when every step passed, 1 when one failed or the
    // radio or an instrument failed, 128+N when signal N stopped it.
    void Run(const CommandArgs& args, CommandResult& result);

private:
    procedure::RunStart start_;
    CliSession& session_;
    const CliOptions& options_;
    std::shared_ptr<TerminalTechnician> technician_;
};

}  // namespace qs::cli
