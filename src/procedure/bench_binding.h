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

}  // namespace qs::procedure
