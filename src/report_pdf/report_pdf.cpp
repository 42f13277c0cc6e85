#include "report_pdf/report_pdf.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <QTextDocument>
#include <QUrl>

#include "record/report_charts_svg.h"
#include "record/report_html.h"
#include "report_pdf/report_file.h"

namespace qs {
namespace {

// Charts are drawn at three times their size so they stay sharp when printed.
constexpr int kChartScale = 3;
constexpr qreal kMarginMm = 12.0;
constexpr int kResolutionDpi = 300;

QImage ChartImage(const std::string& svg) {
    QSvgRenderer renderer(QByteArray::fromStdString(svg));
    QImage image(kChartWidth * kChartScale, kChartHeight * kChartScale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

}  // namespace

PaperSize DefaultPaperSize() {
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? PaperSize::Letter
                                                                              : PaperSize::A4;
}

bool ReportPdfBytes(const AlignmentReport& report, PaperSize paper, std::string& bytes,
                    std::string& error) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        error = "Writing a PDF needs Qt's graphical part to be started (QGuiApplication).";
        return false;
    }
    QTextDocument document;
    QFont font(QStringLiteral("sans-serif"), 9);
    // No ligatures: "off" and "filters" stay letters a reader can search for and copy.
    font.setStyleStrategy(QFont::PreferNoShaping);
    document.setDefaultFont(font);
    const std::vector<std::string> charts = ReportChartSvgs(report);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        QImage image = ChartImage(charts[i]);
        // Shown at the chart's own size in the page's layout units.
        image.setDevicePixelRatio(kChartScale);
        document.addResource(QTextDocument::ImageResource,
                             QUrl(QStringLiteral("chart:%1").arg(i)), image);
    }
    document.setHtml(
        QString::fromStdString(AlignmentReportHtml(report, ReportCharts::ImageResources)));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolutionDpi);
        writer.setTitle(QStringLiteral("QT-71DR alignment report %1")
                            .arg(QString::fromStdString(report.dateTime)));
        writer.setCreator(QStringLiteral("qs71dr-adj"));
        writer.setPageLayout(QPageLayout(
            QPageSize(paper == PaperSize::Letter ? QPageSize::Letter : QPageSize::A4),
            // Landscape: a step's line, its numbers and limits fit whole.
            QPageLayout::Landscape, QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
            QPageLayout::Millimeter));
        document.print(&writer);
    }
    if (buffer.data().isEmpty()) {
        error = "The PDF could not be laid out.";
        return false;
    }
    bytes = buffer.data().toStdString();
    return true;
}

bool WriteReportPdf(const AlignmentReport& report, const std::string& path, std::string& error,
                    PaperSize paper) {
    std::string bytes;
    if (!ReportPdfBytes(report, paper, bytes, error)) return false;
    return WriteWholeFile(path, bytes, ExistingFile::Replace, error);
}

}  // namespace qs
