#pragma once

#include <memory>
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "procedure/procedure_runner.h"
#include "record/run_record.h"

namespace qs::cli {

class TerminalTechnician;

// How a procedure is carried out on the session: a file's with `run`, or one command's single
// step (set, sweep, level, rssi), so that both end the same way: a signal or the time-out stop
// it at its next safe point through the step's teardown, a radio that stops answering or a
// journal that cannot be written end it at once.
struct DriveOptions {
    bool answerYes = false;  // --yes: prompts and questions answered automatically
    // A procedure of its own: kept in the runs file and the records, its steps shown on
    // standard error as they go. A command's step is neither.
    bool procedureRun = true;
};

struct DrivenRun {
    bool finished = false;  // false: not even the stop ended within its time; the port closed
    bool timedOut = false;  // the command's time ran out and stopped it
    std::string outOfTime;  // "no end within 600 s (--timeout)"
    RunRecord record;
    std::string runsFile;         // written with the whole run; empty otherwise
    std::string runsFileProblem;  // why the runs file could not be written
};

// Through the session's station, which alone drives the radio while it goes.
DrivenRun DriveRun(CliSession& session, const CliOptions& options,
                   std::shared_ptr<TerminalTechnician> technician,
                   const procedure::Procedure& procedure, procedure::RunInfo info,
                   const DriveOptions& drive);

}  // namespace qs::cli
