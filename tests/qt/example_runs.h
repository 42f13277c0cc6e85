#pragma once

// Seven runs of an alignment of 23 steps on one connection, as a technician's day makes
// them: stopped, failed, could not be judged, failed again, then passed. For the report's
// layout on paper and in a browser.

#include <vector>

#include "record/run_record.h"

namespace qs::qt::testing {

std::vector<RunRecord> SevenExampleRuns();

}  // namespace qs::qt::testing
