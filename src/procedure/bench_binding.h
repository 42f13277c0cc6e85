#pragma once

// The procedure's bench as the instrument core takes it: addresses checked as the core reads
// them, and the roles [bench] names put on the bench before the run.

#include <string>
#include <vector>

#include "procedure/procedure_check.h"

namespace qs::instruments {
class Bench;
}

namespace qs::procedure {

// The options this program checks procedure files with: its built-in profiles, and every
// instrument address read as the instrument core reads it, so that a mistyped address is a
// mistake of the file, found before any port opens.
CheckOptions ProgramCheckOptions(BenchBinding binding);

// Puts the instrument of each role [bench] names on the bench, with the file's profile and
// answer time. Each problem (a profile file that cannot be read or holds a mistake, named
// with its file and line) is one line; none when every role is in place.
std::vector<std::string> BindBench(const Bench& procedureBench, instruments::Bench& bench);

}  // namespace qs::procedure
