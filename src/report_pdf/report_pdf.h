#pragma once

#include <string>

#include "record/alignment_report.h"
#include "record/report_html.h"

namespace qs {

enum class PaperSize { A4, Letter };

// The report's PDF as bytes: the same blocks as the HTML file, laid out on landscape pages of
// `paper` with no block cut (ReportPages), the charts drawn from their SVG. Needs a
// QGuiApplication (the offscreen platform does); false with `error` otherwise.
bool ReportPdfBytes(const AlignmentReport& report, PaperSize paper, ReportDetail detail,
                    std::string& bytes, std::string& error);

// Writes the PDF to `path` (overwriting it); false with `error` saying why.
bool WriteReportPdf(const AlignmentReport& report, const std::string& path, std::string& error,
                    PaperSize paper = PaperSize::A4, ReportDetail detail = ReportDetail::Summary);

// Letter where the system's measurement system is the US one, A4 elsewhere.
PaperSize DefaultPaperSize();

}  // namespace qs
