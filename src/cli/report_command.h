#pragma once

#include <string>

namespace qs::cli {

// `report BACKUP OUT [--force]`: the alignment report of a backup, as qs71dr-adj --report
// writes it. Returns the exit status.
int RunReportCommand(const std::string& backup, const std::string& out, bool force);

}  // namespace qs::cli
