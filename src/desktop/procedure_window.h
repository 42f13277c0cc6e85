#pragma once

#include <QList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "procedure/procedure_runner.h"
#include "procedure/technician.h"

class QFrame;
class QLabel;
class QPushButton;
class QTableWidget;

namespace qs {
class RadioStation;
}

namespace qs::qt {

// "File > Run procedure...": a window of its own beside the main window, never modal, that
// runs one procedure and shows it as it goes: a banner with the step under way and, at the
// end, the verdict in its colour with why, the steps counted and the time; the steps with
// their state, what each measured against its limits and the values it saw (failed rows
// tinted, every cell's whole text on hover); the open prompt or question in a panel of its
// own with its OK (Yes, No) buttons; Stop, and once the run has ended Close, Run again and
// Open report. The window is the run's technician; the run itself is the station's, which
// alone drives the radio while it goes. Closing the window while the run goes on stops the run
// first (at its next safe point) and closes once it has ended. However long a message, the
// window stays within the screen's width: text wraps. While a step's teardown runs, Stop reads
// "Stopping..." and leaves the step's end as it is; pressed again it abandons the clean-up.
class ProcedureWindow : public QWidget {
public:
    ProcedureWindow(RadioStation& station, procedure::Procedure procedure, procedure::RunInfo info,
                    QWidget* parent = nullptr);
    ~ProcedureWindow() override;

    // Begins the run on the station; false when another run is under way.
    bool Start();
    // Stops the run at its next safe point (as the Stop button does).
    void Stop();
    // Valid once started.
    const procedure::ProcedureRunner& runner() const { return *runner_; }
    // Called once the run has ended.
    void setFinished(std::function<void()> finished) { finished_ = std::move(finished); }
    // The instruments the run uses whose calibration is not current, a line each, shown
    // from before the run starts until the window closes; set before Start.
    void setCalibrationWarnings(const std::vector<std::string>& warnings);
    // What Run again and Open report do; without them the buttons stay hidden.
    void setRunAgain(std::function<void()> runAgain) { runAgain_ = std::move(runAgain); }
    void setOpenReport(std::function<void()> openReport) { openReport_ = std::move(openReport); }
    // The steps table's column widths, as the technician left them, for the next run's window.
    QList<int> columnWidths() const;
    // Widths kept from an earlier run (ignored when they do not fit this table); the columns
    // are then no longer fitted to their text.
    void setColumnWidths(const QList<int>& widths);
    // Told the widths whenever the technician resizes a column.
    void setColumnsResized(std::function<void(const QList<int>&)> resized) {
        columnsResized_ = std::move(resized);
    }

    // The steps table's columns.
    enum Column { kNumber, kStep, kState, kMeasured, kLimits, kTime, kValues, kColumns };

    // Widgets, for the tests.
    QTableWidget* stepsTable() const { return steps_; }
    QLabel* stateLabel() const { return state_; }    // the banner: the step under way, the verdict
    QLabel* reasonLabel() const { return reason_; }  // why the run ended as it did
    QLabel* holdsLabel() const { return holds_; }    // what the radio and generator hold then
    QLabel* countsLabel() const { return counts_; }
    QLabel* calibrationLabel() const { return calibration_; }
    QFrame* promptPanel() const { return prompt_; }
    QLabel* questionLabel() const { return question_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* closeButton() const { return close_; }
    QPushButton* runAgainButton() const { return runAgainButton_; }
    QPushButton* openReportButton() const { return openReportButton_; }

    // The technician, as the runner reaches them (through a proxy the station keeps, so that a
    // window gone first leaves the run no dangling technician).
    void Ask(const procedure::Question& question, std::function<void(procedure::Answer)> answer);
    void Withdraw();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnNotice(const procedure::RunNotice& notice);
    void ShowStep(int index);
    void ShowState();
    void Answer(procedure::Answer answer);
    void ShowQuestion(bool open, bool confirm);
    void ShowEnd();
    // Widens the columns that show short words and numbers to what they hold, unless the
    // technician's own widths were kept.
    void FitColumns();
    // No wider than the screen it is on.
    void KeepWithinScreen();

    RadioStation& station_;
    int watch_ = 0;
    procedure::Procedure procedure_;
    procedure::RunInfo info_;
    std::shared_ptr<procedure::ProcedureRunner> runner_;
    std::function<void(procedure::Answer)> answer_;
    bool closeWhenFinished_ = false;
    std::function<void()> finished_;
    std::function<void()> runAgain_;
    std::function<void()> openReport_;
    std::function<void(const QList<int>&)> columnsResized_;
    bool keptWidths_ = false;
    bool fitting_ = false;     // the window itself sizes the columns
    bool fittedOnce_ = false;  // to the steps' names; from then on only wider
    bool screenWatched_ = false;

    QLabel* state_ = nullptr;
    QLabel* reason_ = nullptr;
    QLabel* holds_ = nullptr;
    QLabel* counts_ = nullptr;
    QLabel* who_ = nullptr;
    QLabel* calibration_ = nullptr;  // hidden when every instrument is current
    QTableWidget* steps_ = nullptr;
    QFrame* prompt_ = nullptr;
    QLabel* question_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* yes_ = nullptr;
    QPushButton* no_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* runAgainButton_ = nullptr;
    QPushButton* openReportButton_ = nullptr;
};

}  // namespace qs::qt
