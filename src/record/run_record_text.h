#pragma once

#include <string>

#include "record/run_record.h"

namespace qs {

// A procedure run as plain text for a terminal: the verdict and who ran it on which radio
// first, then a line a step (outcome, measured, limits, time) with its values and message
// indented below.
std::string RunRecordText(const RunRecord& run);

}  // namespace qs
