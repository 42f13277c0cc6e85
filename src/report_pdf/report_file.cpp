#include "report_pdf/report_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "Cannot write " + path + ": " + std::strerror(errno) + ".";
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    std::remove(path.c_str());
    error = "Cannot write " + path + ": " + std::strerror(written ? errno : writeErrno) + ".";
    return false;
}

bool WriteReportFile(const AlignmentReport& report, const std::string& path, std::string& error) {
    switch (ReportFormFor(path)) {
        case ReportForm::Pdf:
            return WriteReportPdf(report, path, error, DefaultPaperSize());
        case ReportForm::Html:
            return WriteWholeFile(path, AlignmentReportHtml(report, ReportCharts::InlineSvg),
                                  error);
        case ReportForm::Unknown:
            break;
    }
    error = "The report's file name must end in .pdf or .html: " + path;
    return false;
}

}  // namespace qs
