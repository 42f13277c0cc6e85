#pragma once

#include <string>

#include "record/alignment_report.h"
#include "record/report_html.h"
#include "shell/atomic_file.h"

namespace qs {

enum class ReportForm { Pdf, Html, Unknown };

// By the file name's extension (.pdf, .html or .htm, any case).
ReportForm ReportFormFor(const std::string& path);

// Writes `bytes` as the whole of the file at `path` (WriteFileAtomically): a write that fails
// leaves an earlier file as it was. False with `error` saying why.
bool WriteWholeFile(const std::string& path, const std::string& bytes, ExistingFile existing,
                    std::string& error);

// The report as PDF or HTML by the extension of `path`; false with `error` saying why.
bool WriteReportFile(const AlignmentReport& report, const std::string& path,
                     ExistingFile existing, std::string& error,
                     ReportDetail detail = ReportDetail::Summary);

}  // namespace qs
