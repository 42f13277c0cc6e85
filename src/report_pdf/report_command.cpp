#include "report_pdf/report_command.h"

#include <QGuiApplication>
#include <filesystem>
#include <memory>

#include "record/alignment_report.h"
#include "report_pdf/report_file.h"

namespace qs {
namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusFailed = 1;
constexpr int kStatusUsage = 2;

// A Qt application for the PDF writer, started only when the program has none.
class OffscreenGuiApp {
public:
    OffscreenGuiApp() {
        if (QCoreApplication::instance() != nullptr) return;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }

private:
    int argc_ = 1;
    char name_[16] = "qs71dr-report";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace

ReportCommandResult RunReportCommand(const std::string& backupPath, const std::string& outPath,
                                     Overwrite overwrite, ReportDetail detail) {
    return RunReportCommand(
        [&backupPath](AlignmentReport& report, std::string& error) {
            if (BuildAlignmentReport(backupPath, report, error)) return true;
            error = "No report made from " + backupPath + ": " + error;
            return false;
        },
        outPath, overwrite, detail);
}

ReportCommandResult RunReportCommand(const ReportSource& source, const std::string& outPath,
                                     Overwrite overwrite, ReportDetail detail) {
    const ReportForm form = ReportFormFor(outPath);
    if (form == ReportForm::Unknown) {
        return {kStatusUsage, "The report's file name must end in .pdf or .html: " + outPath};
    }
    std::error_code ec;
    if (overwrite == Overwrite::No && std::filesystem::exists(outPath, ec)) {
        return {kStatusFailed, outPath + " exists already; add --force to overwrite it."};
    }
    AlignmentReport report;
    std::string error;
    if (!source(report, error)) return {kStatusFailed, error};
    std::unique_ptr<OffscreenGuiApp> gui;
    if (form == ReportForm::Pdf) gui = std::make_unique<OffscreenGuiApp>();
    // Without --force an existing report is kept also when it appears meanwhile.
    const ExistingFile existing =
        overwrite == Overwrite::Yes ? ExistingFile::Replace : ExistingFile::Keep;
    if (!WriteReportFile(report, outPath, existing, error, detail)) return {kStatusFailed, error};
    return {kStatusOk, "Alignment report written to " + outPath};
}

}  // namespace qs
