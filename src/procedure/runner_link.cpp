// The connection before the first step, and what ends all sending: a radio that does not
// answer, a journal that cannot be written.
#include "procedure/procedure_runner.h"
#include "safety/safety_net.h"
#include "shell/application.h"

namespace qs::procedure {
namespace {

// A message of several lines (a clone error) as one line for the record.
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\r') continue;
        line += c == '\n' ? ' ' : c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace

void ProcedureRunner::Connect() {
    clsIndOp_RigK52T& model = parts_.app.model();
    if (model.RigK52TProp_DispPara() || model.dispParaRequest()) {
        Finish(RunVerdict::Error,
               "the parameter page is shown: return to the console (Disp para) and start again");
        return;
    }
    if (model.state() == TaskState::Idle) {
        // Read first, send nothing: the backup and journal come before any change.
        model.ConnectReadOnly();
    } else if (model.OperationRunning()) {
        // The procedure takes over the connection the technician made.
        model.StopOperation();
    }
    AwaitSettled([this] { BeginAdjustment(); });
}

void ProcedureRunner::BeginAdjustment() {
    link_.connected = true;
    Application& app = parts_.app;
    book_.Connected(app, parts_.safety, parts_.keepsRunsFile);
    marks_.run = app.model().holdings().MarkNow();
    if (parts_.guard == ChangeGuard::RecordsFirst && !parts_.safety.recordsWritten()) {
        const std::string why = parts_.safety.problem().empty()
                                    ? "the backup and journal of this connection were not written"
                                    : OneLine(parts_.safety.problem());
        Finish(RunVerdict::Error, "nothing was sent to the radio: " + why);
        return;
    }
    link_.adjusting = true;
    if (!app.model().readOnly()) {
        SetPhase(Phase::Running);
        BeginStep(0);
        return;
    }
    app.model().BeginAdjustment();
    AwaitSettled([this] {
        SetPhase(Phase::Running);
        BeginStep(0);
    });
}

void ProcedureRunner::RadioLost() {
    CannotSend("the radio link failed: " + OneLine(parts_.app.main().lastLinkError()));
}

void ProcedureRunner::JournalLost() {
    // The operation under way would go on sending by itself: it stops here, unjournalled.
    if (parts_.app.model().OperationRunning()) parts_.app.model().StopOperation();
    std::string problem = OneLine(parts_.safety.problem());
    const std::string headline = "The adjustment journal could not be written. ";
    if (problem.rfind(headline, 0) == 0) problem = problem.substr(headline.size());
    CannotSend("the journal could not be written (" + problem + "); nothing more was sent");
}

void ProcedureRunner::CannotSend(std::string why) {
    link_.lost = true;
    link_.lostText = std::move(why);
    // Whatever the run waits for (the technician, a wait, an instrument) is not waited for any
    // longer; with nothing awaited a step is between its parts and ends on its own.
    if (await_.kind == Await::Kind::None) return;
    if (end_.finishing) {
        // Only the last reading's end was awaited; switching the generator off goes on.
        if (await_.kind != Await::Kind::Radio) return;
        await_ = Await{};
        Close();
        return;
    }
    if (await_.kind == Await::Kind::Technician) parts_.technician.Withdraw();
    watch_.Unhide();
    await_ = Await{};
    if (current_ >= 0) {
        EndStep(StepOutcome::Error, link_.lostText);
    } else {
        Finish(RunVerdict::Error, link_.lostText);
    }
}

}  // namespace qs::procedure
