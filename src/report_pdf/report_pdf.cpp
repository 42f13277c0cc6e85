#include "report_pdf/report_pdf.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include "report_pdf/report_file.h"
#include "report_pdf/report_pages.h"

namespace qs {
namespace {

constexpr qreal kMarginMm = 12.0;
constexpr int kResolutionDpi = 300;

}  // namespace

PaperSize DefaultPaperSize() {
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? PaperSize::Letter
                                                                              : PaperSize::A4;
}

bool ReportPdfBytes(const AlignmentReport& report, PaperSize paper, ReportDetail detail,
                    std::string& bytes, std::string& error) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        error = "Writing a PDF needs Qt's graphical part to be started (QGuiApplication).";
        return false;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool laid = false;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolutionDpi);
        writer.setTitle(QStringLiteral("QT-71DR alignment report %1")
                            .arg(QString::fromStdString(report.dateTime)));
        writer.setCreator(QStringLiteral("qs71dr-adj"));
        writer.setPageLayout(QPageLayout(
            QPageSize(paper == PaperSize::Letter ? QPageSize::Letter : QPageSize::A4),
            // Landscape: a step's line, its numbers and limits fit on one line or two.
            QPageLayout::Landscape, QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
            QPageLayout::Millimeter));
        ReportPages pages(writer, ReportChartSvgs(report));
        laid = pages.Lay(AlignmentReportBlocks(report, detail));
    }
    if (!laid || buffer.data().isEmpty()) {
        error = "The PDF could not be laid out.";
        return false;
    }
    bytes = buffer.data().toStdString();
    return true;
}

bool WriteReportPdf(const AlignmentReport& report, const std::string& path, std::string& error,
                    PaperSize paper, ReportDetail detail) {
    std::string bytes;
    if (!ReportPdfBytes(report, paper, detail, bytes, error)) return false;
    return WriteWholeFile(path, bytes, ExistingFile::Replace, error);
}

}  // namespace qs
