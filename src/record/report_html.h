#pragma once

#include <string>
#include <vector>

#include "record/alignment_report.h"
#include "record/report_blocks.h"

namespace qs {

// How much the report holds. The summary is what a customer and an auditor read: the
// verdict, the last run in full, each earlier run in one line, the items changed, the
// automatic operations, the charts and the bench. Full adds what a technician tracing a fault
// wants: every value each step set or saw, the radio's last raw readings, the bench's
// settings and readings, and the journal of adjustment commands.
enum class ReportDetail { Summary, Full };

// The report as blocks in page order, for the HTML file and the PDF alike.
std::vector<ReportBlock> AlignmentReportBlocks(const AlignmentReport& report,
                                               ReportDetail detail);

// The report as one self-contained HTML page (the charts as inline SVG), for a browser:
// nothing wider than the window, tables that wrap long values.
std::string AlignmentReportHtml(const AlignmentReport& report,
                                ReportDetail detail = ReportDetail::Summary);

// The charts of the report in page order: every sweep, then every level adjustment.
std::vector<std::string> ReportChartSvgs(const AlignmentReport& report);

// The identification record as hexadecimal digits in groups that fit a printed line.
std::string GroupedHex(const std::string& hex);

}  // namespace qs
