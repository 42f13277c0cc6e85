#include "report_pdf/report_file.h"

#include <cctype>

#include "record/report_html.h"
#include "report_pdf/report_pdf.h"

namespace qs {
namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[text.size() - suffix.size() + i]);
        if (std::tolower(c) != suffix[i]) return false;
    }
    return true;
}

}  // namespace

ReportForm ReportFormFor(const std::string& path) {
    if (EndsWith(path, ".pdf")) return ReportForm::Pdf;
    if (EndsWith(path, ".html") || EndsWith(path, ".htm")) return ReportForm::Html;
    return ReportForm::Unknown;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes, ExistingFile existing,
                    std::string& error) {
    if (WriteFileAtomically(path, bytes, existing, error)) return true;
    error = "Cannot write " + error + ".";
    return false;
}

bool WriteReportFile(const AlignmentReport& report, const std::string& path,
                     ExistingFile existing, std::string& error, ReportDetail detail) {
    switch (ReportFormFor(path)) {
        case ReportForm::Pdf: {
            std::string bytes;
            return ReportPdfBytes(report, DefaultPaperSize(), detail, bytes, error) &&
                   WriteWholeFile(path, bytes, existing, error);
        }
        case ReportForm::Html:
            return WriteWholeFile(path, AlignmentReportHtml(report, detail),
                                  existing, error);
        case ReportForm::Unknown:
            break;
    }
    error = "The report's file name must end in .pdf or .html: " + path;
    return false;
}

}  // namespace qs
