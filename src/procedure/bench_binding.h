#pragma once

// The procedure's bench as the program takes it: addresses checked as the instrument core
// reads them, and the roles [bench] names bound on the program's station for the run.

#include <string>
#include <vector>

#include "procedure/procedure_check.h"

namespace qs::instruments {
class BenchStation;
}

namespace qs::procedure {

// The options this program checks procedure files with: its built-in profiles, and every
// instrument address read as the instrument core reads it, so that a mistyped address is a
// mistake of the file, found before any port opens.
CheckOptions ProgramCheckOptions(BenchBinding binding);

// Why the bench is held while `procedure` runs, for whoever would change it meanwhile:
// "used by the procedure run 'TITLE' until it ends".
std::string BenchHeldReason(const Procedure& procedure);

// Binds the instrument of each role [bench] names for this run only, with the file's profile
// and answer time (under --simulate the station keeps every role on the virtual monitor).
// Each problem (a profile file that cannot be read or holds a mistake, named with its file and
// line) is one line; none when every role is in place. The station's Restore() undoes it; a
// run then holds the station (Hold) and gives it back with Release().
std::vector<std::string> BindBench(const Bench& procedureBench, instruments::BenchStation& station);

// Holds the instruments [bench] names for this run before anything is opened (the radio's
// port included), so that one another program's run uses is found at once. One line per
// instrument refused ("ADDRESS is in use by a run of qs71dr-cli (process 4121)"); none when
// every one is held. The station's Restore() or Release() lets them go; BindBench keeps them.
std::vector<std::string> ReserveBench(const Bench& procedureBench,
                                      instruments::BenchStation& station);

// A run's start, the same for every front end: the file checked as this program checks it
// (the station's virtual monitor standing in for [bench] when it has one), the roles bound
// and the station held for the run. Either mistakes of the file (nothing touched), or bench
// problems (the station restored as it was), or a procedure that may run; the front end gives
// the station back with Release() when the run has ended.
struct RunStart {
    CheckedProcedure checked;
    std::vector<std::string> benchProblems;
    bool ok() const { return checked.ok() && benchProblems.empty(); }
};
RunStart PrepareRun(const std::string& file, instruments::BenchStation& station);

}  // namespace qs::procedure
