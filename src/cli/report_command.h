#pragma once

#include <string>

namespace qs::cli {

// `report BACKUP OUT [--force] [--full]`: the alignment report of a backup, as qs71dr-adj
// --report writes it (`full`: with the journal and raw readings), with the result as text or,
// with `json`, as one JSON document on standard output. Runs before any Qt application exists,
// so that the PDF writer can start its own offscreen one. Returns the exit status.
int RunReportCommand(const std::string& backup, const std::string& out, bool force, bool full,
                     bool json);

}  // namespace qs::cli
