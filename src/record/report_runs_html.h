#pragma once

#include <string>
#include <vector>

#include "record/run_record.h"

namespace qs {

// The procedure runs of a connection for the top of its report: each with its verdict in
// large letters, who ran it on which radio, then its steps with their outcome, the value
// judged, the limits, the values seen and the time. Empty for no runs.
std::string RunSectionsHtml(const std::vector<RunRecord>& runs);

// "1 min 32 s", "12.4 s", "350 ms".
std::string DurationText(std::int64_t milliseconds);

}  // namespace qs
