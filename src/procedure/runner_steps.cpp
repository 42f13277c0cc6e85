// The steps one after another, each ended through its teardown, and the end of the run: the
// generator switched off and what the radio holds said.
#include "instruments/bench.h"
#include "procedure/procedure_runner.h"
#include "safety/wall_clock.h"
#include "shell/application.h"

namespace qs::procedure {

void ProcedureRunner::BeginStep(int index) {
    if (stop_.requested) {
        Finish(RunVerdict::Aborted, stop_.text + " before step " + std::to_string(index + 1));
        return;
    }
    if (link_.lost) {
        Finish(RunVerdict::Error, link_.lostText);
        return;
    }
    if (index >= static_cast<int>(procedure_.steps.size())) {
        Finish(std::nullopt, "");
        return;
    }
    current_ = index;
    book_.BeginStep(index, TickNow(), DateTimeText(parts_.wallClock.Now()));
    marks_.step = parts_.app.model().holdings().MarkNow();
    ending_ = StepEnding{};
    Notify(RunNotice::Kind::StepStarted, index);
    // The step before may still be on the stack that posted this start: it goes next time.
    retired_ = std::move(step_);
    step_ = MakeStepRun(procedure_.steps[static_cast<std::size_t>(index)].action);
    step_->Start(*this);
}

void ProcedureRunner::EndStep(StepOutcome outcome, std::string message) {
    if (current_ < 0) return;
    if (ending_.active) {
        // Something failed while the teardown ran: the step keeps the end it had, and says
        // what stopped its teardown.
        CloseStep(ending_.outcome, ending_.message + "; " + message);
        return;
    }
    if (outcome == StepOutcome::Pass) {
        CloseStep(outcome, std::move(message));
        return;
    }
    ending_.active = true;
    ending_.outcome = outcome;
    ending_.message = std::move(message);
    const int index = current_;
    Notify(RunNotice::Kind::Phase, -1);
    step_->Teardown(*this, [this, index](std::string note) {
        if (current_ != index || !ending_.active) return;  // ended already, by a later failure
        std::string text = ending_.message;
        if (!note.empty()) text += (text.empty() ? "" : "; ") + note;
        CloseStep(ending_.outcome, std::move(text));
    });
}

std::string ProcedureRunner::StepHoldsText() const {
    return parts_.app.model().HeldChangesText(marks_.step, clsIndOp_RigK52T::HeldWords::Step);
}

void ProcedureRunner::CloseStep(StepOutcome outcome, std::string message) {
    if (current_ < 0) return;
    const int index = current_;
    if (outcome != StepOutcome::Pass) {
        // What the radio holds of what the step sent, as the radio confirmed it.
        const std::string holds = StepHoldsText();
        if (!holds.empty()) message += (message.empty() ? "" : "; ") + holds;
        if (stop_.duringCleanUp) message += "; " + StopDuringCleanUpText(stop_.cause);
    }
    book_.CloseStep(index, outcome, std::move(message), TickNow());
    current_ = -1;
    ending_ = StepEnding{};
    Notify(RunNotice::Kind::StepEnded, index);

    const std::string number = std::to_string(index + 1);
    const bool stops = !procedure_.steps[static_cast<std::size_t>(index)].continueOnFail;
    if (stop_.requested && !stop_.duringCleanUp) {
        Finish(RunVerdict::Aborted, stop_.text + " at step " + number);
    } else if (link_.lost) {
        Finish(RunVerdict::Error, link_.lostText);
    } else if ((outcome == StepOutcome::Fail || outcome == StepOutcome::Error) && stops) {
        // A stop during the clean-up leaves the step's end as it was.
        Finish(outcome == StepOutcome::Fail ? RunVerdict::Fail : RunVerdict::Error,
               "step " + number + (outcome == StepOutcome::Fail ? " failed" : " could not be judged"));
    } else if (stop_.requested) {
        Finish(RunVerdict::Aborted, stop_.text + " after step " + number);
    } else {
        Post([this, index] { BeginStep(index + 1); });
    }
}

// --- The end ------------------------------------------------------------------------------

void ProcedureRunner::Finish(std::optional<RunVerdict> verdict, std::string reason) {
    if (end_.finishing) return;
    end_.finishing = true;
    end_.verdict = verdict;
    RunRecord& record = book_.record();
    record.endReason = std::move(reason);
    record.complete = record.endReason.empty();
    for (StepRecord& row : record.steps) {
        if (row.startMs < 0 && row.message.empty()) row.message = "not run";
    }
    SetPhase(Phase::Stopping);
    if (end_.generatorUsed && !parts_.bench.Address(instruments::Role::Generator).empty()) {
        SwitchGeneratorOff();
    } else {
        Close();
    }
}

void ProcedureRunner::SwitchGeneratorOff() {
    // Whatever ended the run, the generator does not go on feeding the radio.
    parts_.bench.SetRf(instruments::RfOutput::Off,
                       BenchAnswer<instruments::Status>([this](const instruments::Status& s) {
                           end_.rfOff = static_cast<bool>(s);
                           RunRecord& record = book_.record();
                           record.notes.push_back(
                               s ? "Generator RF switched off at the end."
                                 : "Generator RF could not be switched off at the end: " +
                                       s.error().message);
                           // A generator that may still feed the radio is never a pass.
                           if (!s && !end_.verdict) {
                               end_.verdict = RunVerdict::Error;
                               record.endReason = "the generator's RF could not be switched off";
                           }
                           Close();
                       }));
}

void ProcedureRunner::RecordInstruments() {
    RunRecord& record = book_.record();
    record.instruments.clear();
    for (const BenchRole role : RolesNeeded(procedure_)) {
        const std::string address = parts_.bench.Address(role);
        if (address.empty()) continue;
        record.instruments.push_back({instruments::RoleName(role), address,
                                      parts_.bench.Identity(role),
                                      parts_.bench.CalibrationDue(role)});
    }
}

std::string ProcedureRunner::RunHoldsText() const {
    std::string text;
    if (link_.connected) {
        text = parts_.app.model().HeldChangesText(marks_.run, clsIndOp_RigK52T::HeldWords::Run);
        if (text.empty()) text = "the radio holds what it held at the start";
    }
    if (end_.generatorUsed) {
        const std::string rf = end_.rfOff && *end_.rfOff
                                   ? "generator RF off"
                                   : "generator RF may still be on: switch it off at the generator";
        text += (text.empty() ? "" : "; ") + rf;
    }
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text.empty() ? text : text + ".";
}

void ProcedureRunner::Close() {
    if (phase_ == Phase::Finished) return;
    Application& app = parts_.app;
    if (watch_.inFlight() && app.model().state() != TaskState::Idle && !app.model().Settled()) {
        // The watch's last reading is under way: the run ends after its last frame.
        AwaitSettled([this] { Close(); });
        return;
    }
    // The steps' own ends decide, unless the run's end was graver (a stop between steps, a
    // radio lost before the first).
    RunRecord& record = book_.record();
    RunVerdict verdict = VerdictOf(record.steps);
    if (end_.verdict && *end_.verdict != RunVerdict::Pass &&
        static_cast<int>(*end_.verdict) > static_cast<int>(verdict)) {
        verdict = *end_.verdict;
    }
    RecordInstruments();
    record.radioHolds = RunHoldsText();
    watch_.Unhide();
    if (waking_.heartbeatListener != 0) app.RemoveHeartbeatListener(waking_.heartbeatListener);
    waking_.heartbeatListener = 0;
    book_.Close(app, DateTimeText(parts_.wallClock.Now()), TickNow(), verdict, watch_.hiddenBytes());
    phase_ = Phase::Finished;
    parts_.timer.setEnabled(false);
    parts_.timer.setHandler(nullptr);
    waking_.timerArmed = false;
    Notify(RunNotice::Kind::Phase, -1);
}

}  // namespace qs::procedure
