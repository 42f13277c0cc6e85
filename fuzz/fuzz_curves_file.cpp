// The curves file reader on arbitrary bytes: a file it accepts must write back to text that
// reads back the same, and must make a report (runs, charts, HTML) without harm.
#include <cstddef>
#include <cstdint>
#include <string>

#include "record/alignment_report.h"
#include "record/curves_file.h"
#include "record/report_html.h"
#include "safety/backup_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    qs::CurveLog log;
    std::string error;
    if (!qs::ParseCurves(text, log, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    const std::string written = qs::CurvesText(log);
    qs::CurveLog again;
    if (!qs::ParseCurves(written, again, error) || qs::CurvesText(again) != written) {
        __builtin_trap();
    }
    qs::BackupRecord backup;
    backup.image.assign(qs::kBackupImageBytes, 0);
    const qs::AlignmentReport report = qs::MakeAlignmentReport(backup, {}, log);
    const std::string html = qs::AlignmentReportHtml(report, qs::ReportDetail::Full);
    if (html.find("</html>") == std::string::npos) __builtin_trap();
    return 0;
}
