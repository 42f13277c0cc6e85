#pragma once

#include <string>

#include "record/alignment_report.h"

namespace qs {

enum class PaperSize { A4, Letter };

// The report's PDF as bytes: the same content as the HTML file, laid out by Qt's rich text
// on pages of `paper` with the charts rendered from their SVG. Needs a QGuiApplication
// (the offscreen platform does); false with `error` otherwise.
bool ReportPdfBytes(const AlignmentReport& report, PaperSize paper, std::string& bytes,
                    std::string& error);

// Writes the PDF to `path` (overwriting it); false with `error` saying why.
bool WriteReportPdf(const AlignmentReport& report, const std::string& path, std::string& error,
                    PaperSize paper = PaperSize::A4);

// Letter where the system's measurement system is the US one, A4 elsewhere.
PaperSize DefaultPaperSize();

}  // namespace qs
