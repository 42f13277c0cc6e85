#pragma once

#include <QPointer>
#include <string>

#include "desktop/procedure_window.h"

class QAction;

namespace qs {
class Application;
class IMessageBox;
class IProfileStore;
class SafetyNet;
}  // namespace qs

namespace qs::qt {

class MainWindow;

// "File > Run procedure...": a procedure file chosen and checked as a whole (its mistakes
// shown, nothing opened), the technician's name, the radio's serial number and the work
// order asked for (filled in with the last run's, kept in the settings), then the procedure
// window running it. One run at a time.
class ProcedureMenu {
public:
    static constexpr const char* kRunCaption = "Run &procedure...";

    ProcedureMenu(MainWindow& window, Application& app, SafetyNet& safety,
                  instruments::BenchStation& station, IProfileStore& settings,
                  IMessageBox& messageBox);
    ProcedureMenu(const ProcedureMenu&) = delete;
    ProcedureMenu& operator=(const ProcedureMenu&) = delete;

    QAction* runAction() const { return run_; }
    // Checks the file and starts its run in a procedure window with `info` (kept in the
    // settings); null, with the mistakes shown, when the file has any or a run goes on.
    ProcedureWindow* Run(const std::string& file, const procedure::RunInfo& info);
    ProcedureWindow* procedureWindow() const { return window_.data(); }

private:
    void ChooseAndRun();
    // Asks for who runs it on which radio; false when the technician cancelled.
    bool AskRunInfo(procedure::RunInfo& info);

    MainWindow& main_;
    Application& app_;
    SafetyNet& safety_;
    instruments::BenchStation& station_;
    IProfileStore& settings_;
    IMessageBox& messageBox_;
    QAction* run_ = nullptr;
    QPointer<ProcedureWindow> window_;
};

}  // namespace qs::qt
