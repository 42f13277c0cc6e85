#pragma once

#include <QPointer>

#include "desktop/charts_window.h"
#include <string>

class QAction;
class QMenu;
class QMessageBox;

namespace qs {
class CurveRecorder;
class IMessageBox;
class SafetyNet;
}  // namespace qs

namespace qs::qt {

class MainWindow;

// "View > Charts" (the charts window, created on first use, never modal) and
// "File > Save alignment report..." (the report of the current connection, PDF or HTML by
// the extension chosen), with "File > Include the journal and raw readings" choosing whether
// the reports it and Open report write have them (off: the summary a customer reads).
class ReportMenu {
public:
    static constexpr const char* kChartsCaption = "&Charts";
    static constexpr const char* kSaveReportCaption = "&Save alignment report...";
    static constexpr const char* kFullReportCaption = "&Include the journal and raw readings";

    ReportMenu(MainWindow& window, SafetyNet& net, CurveRecorder& recorder,
               IMessageBox& messageBox);
    ReportMenu(const ReportMenu&) = delete;
    ReportMenu& operator=(const ReportMenu&) = delete;

    QAction* chartsAction() const { return charts_; }
    // The View menu, for the other windows beside the main window.
    QMenu* viewMenu() const { return viewMenu_; }
    QAction* saveReportAction() const { return saveReport_; }
    QAction* fullReportAction() const { return fullReport_; }

    // Shows (creating it when needed) and raises the charts window.
    ChartsWindow* ShowCharts();
    ChartsWindow* chartsWindow() const { return chartsWindow_.data(); }

    // The report of the current connection to `path`; a failure is shown in a message.
    bool SaveReport(const std::string& path);
    // The report of the connection whose backup is `backupPath`, written as PDF beside the
    // backup (where Save alignment report proposes it) and opened in the desktop's viewer; a
    // failure is shown in a message. A note beside the window, never blocking it, says where
    // the file is and what to do when no viewer opens.
    bool OpenReport(const std::string& backupPath);
    QMessageBox* reportNote() const { return reportNote_.data(); }

private:
    void ChooseAndSave();
    bool WriteReport(const std::string& backupPath, const std::string& path);

    MainWindow& window_;
    SafetyNet& net_;
    CurveRecorder& recorder_;
    IMessageBox& messageBox_;
    QAction* charts_ = nullptr;
    QAction* saveReport_ = nullptr;
    QAction* fullReport_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QPointer<ChartsWindow> chartsWindow_;
    QPointer<QMessageBox> reportNote_;
};

}  // namespace qs::qt
