#pragma once

#include <string>
#include <vector>

#include "record/alignment_report.h"
#include "record/report_blocks.h"
#include "record/run_record.h"

namespace qs {

// The report's first page: the connection's verdict (its last run's) as a banner, the radio,
// who ran which procedure when, the steps' counts and the instruments with their identity and
// calibration; then the last run's steps one line each, and each earlier run in one line
// (its verdict, when and why). A connection without a run says "no procedure" and shows the
// radio alone.
void AddRunSummaryBlocks(const AlignmentReport& report, std::vector<ReportBlock>& blocks);

// Every value each step of each run set or saw, in order, the last run first.
void AddStepDetailBlocks(const std::vector<RunRecord>& runs, std::vector<ReportBlock>& blocks);

// "1 min 32 s", "12.4 s", "350 ms".
std::string DurationText(std::int64_t milliseconds);

}  // namespace qs
