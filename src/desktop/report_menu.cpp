#include "desktop/report_menu.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QUrl>

#include "desktop/charts_window.h"
#include "desktop/main_window.h"
#include "record/alignment_report.h"
#include "record/curve_recorder.h"
#include "report_pdf/report_file.h"
#include "safety/backup_file.h"
#include "safety/safety_net.h"
#include "shell/program_texts.h"
#include "shell/show_message.h"

namespace qs::qt {

namespace {

// "<backup folder>/<backup name>-report.pdf": beside the backup and journal it is made from.
QString ReportPathBeside(const QString& backupPath) {
    const QFileInfo backup(backupPath);
    return backup.absolutePath() + QLatin1Char('/') + backup.completeBaseName() +
           QStringLiteral("-report.pdf");
}

// What Open report says beside the window: where the file is, and what to do without a viewer
// (the desktop may hand the file on and still find no program for it).
QString OpenedReportText(const QString& path, bool handedOn) {
    return QStringLiteral("The alignment report was written to:\n%1\n\n").arg(path) +
           (handedOn ? QStringLiteral("It has been handed to the desktop's PDF viewer. If no "
                                      "viewer opens, ")
                     : QStringLiteral("No PDF viewer could be started for it: ")) +
           QStringLiteral("open that file with a PDF viewer (on Debian: sudo apt-get install "
                          "evince), or save the report elsewhere with File > Save alignment "
                          "report... (PDF or HTML, which any web browser opens).");
}

}  // namespace

ReportMenu::ReportMenu(MainWindow& window, SafetyNet& net, CurveRecorder& recorder,
                       IMessageBox& messageBox)
    : window_(window), net_(net), recorder_(recorder), messageBox_(messageBox) {
    // Last on the bar, so that File and Option keep the places they always had.
    QMenuBar* bar = window.menuBar();
    viewMenu_ = new QMenu(QStringLiteral("&View"), bar);
    bar->addMenu(viewMenu_);
    charts_ = viewMenu_->addAction(QString::fromLatin1(kChartsCaption));
    QObject::connect(charts_, &QAction::triggered, viewMenu_, [this] { ShowCharts(); });

    recorder_.setChanged([this] {
        if (!chartsWindow_.isNull()) chartsWindow_->ScheduleRefresh();
    });

    QAction* exitAction = window.exitAction();
    auto* fileMenu = qobject_cast<QMenu*>(exitAction->parent());
    if (fileMenu == nullptr) return;
    saveReport_ = new QAction(QString::fromLatin1(kSaveReportCaption), fileMenu);
    fileMenu->insertAction(exitAction, saveReport_);
    fullReport_ = new QAction(QString::fromLatin1(kFullReportCaption), fileMenu);
    fullReport_->setCheckable(true);
    fileMenu->insertAction(exitAction, fullReport_);
    fileMenu->insertSeparator(exitAction);
    QObject::connect(saveReport_, &QAction::triggered, fileMenu, [this] { ChooseAndSave(); });
}

ChartsWindow* ReportMenu::ShowCharts() {
    if (chartsWindow_.isNull()) {
        chartsWindow_ = new ChartsWindow(recorder_, &window_);
        chartsWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    chartsWindow_->Refresh();
    chartsWindow_->show();
    chartsWindow_->raise();
    return chartsWindow_.data();
}

bool ReportMenu::SaveReport(const std::string& path) {
    if (net_.backupPath().empty()) {
        ShowMessage(messageBox_,
                    "There is no connection to report on yet.\r\nThe report is made from the "
                    "backup and journal of a connection: Connect to the radio first.");
        return false;
    }
    return WriteReport(net_.backupPath(), path);
}

bool ReportMenu::WriteReport(const std::string& backupPath, const std::string& path) {
    AlignmentReport report;
    std::string error;
    if (!BuildAlignmentReport(backupPath, report, error) ||
        !WriteReportFile(report, path, ExistingFile::Replace, error,
                         fullReport_ != nullptr && fullReport_->isChecked()
                             ? ReportDetail::Full
                             : ReportDetail::Summary)) {
        ShowMessage(messageBox_, "The alignment report could not be saved.\r\n" + error);
        return false;
    }
    return true;
}

bool ReportMenu::OpenReport(const std::string& backupPath) {
    if (backupPath.empty()) return SaveReport(std::string());
    const QString path = ReportPathBeside(QString::fromStdString(backupPath));
    if (!WriteReport(backupPath, path.toStdString())) return false;
    const bool handedOn = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    const QString text = OpenedReportText(path, handedOn);
    if (reportNote_.isNull()) {
        reportNote_ = new QMessageBox(QMessageBox::Information, QString::fromLatin1(kProgramTitle),
                                      text, QMessageBox::Ok, &window_);
        reportNote_->setAttribute(Qt::WA_DeleteOnClose);
        reportNote_->setWindowModality(Qt::NonModal);
        reportNote_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    } else {
        reportNote_->setText(text);
    }
    reportNote_->show();
    return true;
}

void ReportMenu::ChooseAndSave() {
    if (net_.backupPath().empty()) {
        SaveReport(std::string());
        return;
    }
    const QString suggested = ReportPathBeside(QString::fromStdString(net_.backupPath()));
    QString path = QFileDialog::getSaveFileName(
        &window_, QStringLiteral("Save alignment report"), suggested,
        QStringLiteral("PDF (*.pdf);;HTML (*.html)"));
    if (path.isEmpty()) return;
    if (ReportFormFor(path.toStdString()) == ReportForm::Unknown) path += QStringLiteral(".pdf");
    SaveReport(path.toStdString());
}

}  // namespace qs::qt
