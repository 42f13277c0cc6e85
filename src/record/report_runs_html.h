#pragma once

#include <string>
#include <vector>

#include "record/alignment_report.h"
#include "record/run_record.h"

namespace qs {

// The report's first page: the connection's verdict (its last run's) as a banner, the radio,
// who ran which procedure when, the steps' counts and the instruments with their identity and
// calibration, then the last run's steps one line each. A connection without a run says
// "no procedure" and shows the radio alone.
std::string ReportSummaryHtml(const AlignmentReport& report);

// The runs before the last, each with its verdict and its steps; empty for one run or none.
std::string EarlierRunsHtml(const std::vector<RunRecord>& runs);

// The appendix of the runs: every value each step set or saw, in order.
std::string StepDetailsHtml(const std::vector<RunRecord>& runs);

// "1 min 32 s", "12.4 s", "350 ms".
std::string DurationText(std::int64_t milliseconds);

}  // namespace qs
