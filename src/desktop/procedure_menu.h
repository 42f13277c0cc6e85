#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "desktop/procedure_window.h"

class QAction;

namespace qs {
class Application;
class IMessageBox;
class IProfileStore;
class RadioStation;
}  // namespace qs

namespace qs::qt {

class MainWindow;

// "File > Run procedure...": a procedure file chosen and checked as a whole (its mistakes
// shown, nothing opened), the technician's name, the radio's serial number and the work
// order asked for (the name and work order filled in with the last run's, kept in the
// settings; the serial number typed for each radio), then the procedure
// window running it. One run at a time; Run again in the window runs the same file for the
// same radio anew, in a new window with the column widths the technician left. Closing the main window while a run goes on stops
// the run at its next safe point first (generator off, an adjustment's item put back); the
// program then closes.
class ProcedureMenu : public QObject {
public:
    static constexpr const char* kRunCaption = "Run &procedure...";

    ProcedureMenu(MainWindow& window, Application& app, RadioStation& station,
                  IProfileStore& settings, IMessageBox& messageBox);
    ProcedureMenu(const ProcedureMenu&) = delete;
    ProcedureMenu& operator=(const ProcedureMenu&) = delete;

    QAction* runAction() const { return run_; }
    // The bench's name that each run's record carries.
    void setBenchName(std::string name) { benchName_ = std::move(name); }
    // Opens the report of the connection whose backup is at the path given (Open report).
    void setReportOpener(std::function<void(const std::string& backupPath)> opener) {
        reportOpener_ = std::move(opener);
    }
    // Checks the file and starts its run in a procedure window with `info` (kept in the
    // settings); null, with the mistakes shown, when the file has any or a run goes on.
    ProcedureWindow* Run(const std::string& file, const procedure::RunInfo& info);
    ProcedureWindow* procedureWindow() const { return window_.data(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ChooseAndRun();
    // Asks for who runs it on which radio; false when the technician cancelled.
    bool AskRunInfo(procedure::RunInfo& info);

    MainWindow& main_;
    Application& app_;
    RadioStation& station_;
    std::string benchName_;
    std::function<void(const std::string&)> reportOpener_;
    // As the technician last sized them; empty until they do.
    QList<int> columnWidths_;
    IProfileStore& settings_;
    IMessageBox& messageBox_;
    QAction* run_ = nullptr;
    QPointer<ProcedureWindow> window_;
    bool closeMainWhenFinished_ = false;
};

}  // namespace qs::qt
