#pragma once

#include <functional>
#include <string>

#include "record/alignment_report.h"
#include "record/report_html.h"

namespace qs {

// `report BACKUP OUT [--force] [--full]`: the alignment report of the connection whose backup is
// BACKUP (its journal and curves file beside it), written to OUT as PDF or HTML by OUT's
// extension. Shared by `qs71dr-adj --report` and `qs71dr-cli report`.
struct ReportCommandResult {
    int status = 0;       // 0 written, 1 a file could not be read or written, 2 usage
    std::string message;  // for standard output (status 0) or standard error
};

enum class Overwrite { No, Yes };

// For a PDF it needs a QGuiApplication; when no Qt application exists yet it starts one on
// the offscreen platform for the time of the call, so no display is needed.
// `detail` Full: the journal and raw readings too.
ReportCommandResult RunReportCommand(const std::string& backupPath, const std::string& outPath,
                                     Overwrite overwrite,
                                     ReportDetail detail = ReportDetail::Summary);

// The same for a report from elsewhere (the service records): `source` fills the report, or
// says in `error` why it cannot (the whole message, status 1). OUT is checked first.
using ReportSource = std::function<bool(AlignmentReport& report, std::string& error)>;
ReportCommandResult RunReportCommand(const ReportSource& source, const std::string& outPath,
                                     Overwrite overwrite,
                                     ReportDetail detail = ReportDetail::Summary);

}  // namespace qs
