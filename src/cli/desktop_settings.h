#pragma once

// What the command line takes from qs71dr-adj's settings file, read and never written (the
// command line keeps no settings of its own): the same records and the same calibration rules
// for both programs of a bench.

#include "history/records_settings.h"
#include "instruments/bench_setup.h"

namespace qs::cli {

// The [RECORDS] section.
RecordsSettings DesktopRecordsSettings();
// The [BENCH] section, of which the command line uses only the calibration dates and
// calibration_check: its instruments' addresses come from the procedure or the command line.
instruments::BenchSetup DesktopBenchSettings();

}  // namespace qs::cli
