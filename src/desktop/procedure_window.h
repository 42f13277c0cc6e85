#pragma once

#include <QWidget>
#include <memory>

#include "procedure/procedure_runner.h"
#include "procedure/technician.h"
#include "qtcore/qt_timer.h"
#include "safety/wall_clock.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace qs {
class Application;
class SafetyNet;
}  // namespace qs

namespace qs::instruments {
class BenchStation;
}

namespace qs::qt {

// "File > Run procedure...": a window of its own beside the main window, never modal, that
// runs one procedure and shows it as it goes: the steps with their state, what each
// measured against its limits and the values it saw; the open prompt or question with its OK
// (Yes, No) buttons; Stop. The window is the run's technician. Closing it while the run goes
// on stops the run first (at its next safe point) and closes once it has ended.
class ProcedureWindow : public QWidget, public procedure::ITechnician {
public:
    ProcedureWindow(Application& app, SafetyNet& safety, instruments::BenchStation& station,
                    procedure::Procedure procedure, procedure::RunInfo info,
                    QWidget* parent = nullptr);
    ~ProcedureWindow() override;

    void Start();
    // Follows the run beside the window (the service records); set before Start.
    void setRunObserver(procedure::RunObserver observer) { runner_->setObserver(std::move(observer)); }
    // Stops the run at its next safe point (as the Stop button does).
    void Stop() { runner_->Stop(); }
    const procedure::ProcedureRunner& runner() const { return *runner_; }
    // Called once the run has ended.
    void setFinished(std::function<void()> finished) { finished_ = std::move(finished); }

    // Widgets, for the tests.
    QTableWidget* stepsTable() const { return steps_; }
    QLabel* stateLabel() const { return state_; }
    QLabel* questionLabel() const { return question_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }
    QPushButton* stopButton() const { return stop_; }

    // The technician, as the runner reaches them.
    void Ask(const procedure::Question& question,
             std::function<void(procedure::Answer)> answer) override;
    void Withdraw() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnNotice(const procedure::RunNotice& notice);
    void ShowStep(int index);
    void ShowState();
    void Answer(procedure::Answer answer);
    void ShowQuestion(bool open, bool confirm);

    instruments::BenchStation& station_;
    QtTimer timer_;
    SystemTickSource clock_;
    SystemWallClock wallClock_;
    std::unique_ptr<procedure::ProcedureRunner> runner_;
    std::function<void(procedure::Answer)> answer_;
    bool closeWhenFinished_ = false;
    std::function<void()> finished_;

    QLabel* state_ = nullptr;
    QLabel* who_ = nullptr;
    QTableWidget* steps_ = nullptr;
    QLabel* question_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* yes_ = nullptr;
    QPushButton* no_ = nullptr;
    QPushButton* stop_ = nullptr;
};

}  // namespace qs::qt
