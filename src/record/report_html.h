#pragma once

#include <string>
#include <vector>

#include "record/alignment_report.h"

namespace qs {

enum class ReportCharts {
    InlineSvg,       // a self-contained HTML file: each chart as inline SVG
    ImageResources,  // for a renderer without SVG: <img src="chart:N">, N the index in
                     // ReportChartSvgs()
};

// The report as one HTML page. Plain tables and headings, so that Qt's rich text (for the
// PDF) lays it out as a browser does.
std::string AlignmentReportHtml(const AlignmentReport& report, ReportCharts charts);

// The charts of the report in page order: every sweep, then every level adjustment.
std::vector<std::string> ReportChartSvgs(const AlignmentReport& report);

// The identification record as hexadecimal digits in groups that fit a printed line.
std::string GroupedHex(const std::string& hex);

}  // namespace qs
