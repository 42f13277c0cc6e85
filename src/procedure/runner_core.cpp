// The runner's own machinery: the one thing it waits for, the timer that wakes it (and the
// core) the moment something is due, Stop, the connection before the first step and the end
// of the run.
#include <algorithm>

#include "instruments/bench.h"
#include "procedure/procedure_runner.h"
#include "record/curves_file.h"
#include "record/run_in_progress.h"
#include "record/run_record_file.h"
#include "safety/safety_net.h"
#include "safety/wall_clock.h"
#include "shell/application.h"

namespace qs::procedure {
namespace {

// Kicks of the core that changed nothing before the runner leaves it to the heartbeat.
constexpr int kMaxIdleKicks = 3;

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

std::string StopText(StopCause cause) {
    switch (cause) {
        case StopCause::Signal:
            return "stopped by a signal";
        case StopCause::TimeOut:
            return "stopped by the time-out";
        case StopCause::InputEnded:
            return "stopped as the answers' input ended";
        case StopCause::OutputLost:
            return "stopped as its output's reader went away";
        case StopCause::Technician:
            break;
    }
    return "stopped by the technician";
}

ProcedureRunner::ProcedureRunner(RunnerParts parts, Procedure procedure, RunInfo info)
    : parts_(parts),
      procedure_(std::move(procedure)),
      self_(std::make_shared<ProcedureRunner*>(this)) {
    record_.procedureTitle = procedure_.title;
    record_.procedureRevision = procedure_.revision;
    record_.procedureFile = procedure_.file;
    record_.procedureChecksum = procedure_.checksum;
    record_.technician = std::move(info.technician);
    record_.serialNumber = std::move(info.serialNumber);
    record_.workOrder = std::move(info.workOrder);
    record_.bench = std::move(info.bench);
    record_.pace.baud = parts_.app.com().comBaud();
    for (std::size_t i = 0; i < procedure_.steps.size(); ++i) {
        const Step& step = procedure_.steps[i];
        StepRecord row;
        row.number = static_cast<int>(i) + 1;
        row.title = StepTitle(step);
        row.kind = std::string(KindName(step.action));
        row.continueOnFail = step.continueOnFail;
        record_.steps.push_back(std::move(row));
    }
    parts_.timer.setEnabled(false);
    parts_.timer.setHandler([this] { OnTimer(); });
}

ProcedureRunner::~ProcedureRunner() {
    *self_ = nullptr;
    parts_.timer.setEnabled(false);
    parts_.timer.setHandler(nullptr);
    if (heartbeatListener_ != 0) parts_.app.RemoveHeartbeatListener(heartbeatListener_);
    if (await_.kind == Await::Kind::Technician) parts_.technician.Withdraw();
}

// --- Waiting and waking -------------------------------------------------------------------

void ProcedureRunner::Post(Then work) {
    posted_.push_back(std::move(work));
    if (!draining_) Drain();
}

void ProcedureRunner::Drain() {
    draining_ = true;
    // Index, not iterators: the work may post more.
    for (std::size_t i = 0; i < posted_.size(); ++i) {
        Then work = std::move(posted_[i]);
        work();
    }
    posted_.clear();
    draining_ = false;
    ArmTimer();
}

void ProcedureRunner::OnHeartbeat() {
    // Never acted on inside the heartbeat itself: the core may be halfway through its step,
    // and a heartbeat asked for from in there would not run.
    evaluateWanted_ = true;
    if (!draining_) ArmTimer();
}

void ProcedureRunner::OnTimer() {
    parts_.timer.setEnabled(false);
    timerArmed_ = false;
    Post([this] {
        if (phase_ == Phase::Finished) return;
        if (kickWanted_ || ShouldKick()) {
            kickWanted_ = false;
            parts_.app.main().RunTaskNow();
        }
        evaluateWanted_ = false;
        Evaluate();
    });
}

void ProcedureRunner::Evaluate() {
    if (phase_ == Phase::Finished) return;
    const bool watching = connected_ || phase_ == Phase::Connecting;
    if (watching && !radioLost_ && parts_.app.model().state() == TaskState::Idle) {
        RadioLost();
        return;
    }
    if (adjusting_ && !radioLost_ && parts_.guard == ChangeGuard::RecordsFirst &&
        !parts_.safety.recordsWritten()) {
        JournalLost();
        return;
    }
    if (await_.kind == Await::Kind::Radio && await_.ready()) {
        Resume(await_.id, await_.then);
    } else if (await_.kind == Await::Kind::Delay &&
               static_cast<std::int32_t>(parts_.clock.GetTickCount() - await_.dueTick) >= 0) {
        record_.pace.technicianMs += parts_.clock.GetTickCount() - await_.startTick;
        Resume(await_.id, await_.then);
    }
    Watch();
}

bool ProcedureRunner::WaitingOffTheRadio() const {
    return await_.kind == Await::Kind::Technician || await_.kind == Await::Kind::Delay ||
           await_.kind == Await::Kind::Bench;
}

void ProcedureRunner::Watch() {
    if (!connected_ || radioLost_ || phase_ == Phase::Finished) return;
    clsIndOp_RigK52T& model = parts_.app.model();
    const std::int32_t now = TickNow();
    if (model.readingsTaken() != lastReadings_) {
        lastReadings_ = model.readingsTaken();
        lastProofTick_ = now;
    }
    if (watchInFlight_ && model.Settled()) {
        HideWatchBytes();
        watchInFlight_ = false;
    }
    // Once the run is ending (the generator switched off) nothing more is asked of the radio.
    if (watchInFlight_ || finishing_ || !WaitingOffTheRadio()) return;
    if (static_cast<std::int32_t>(now - lastProofTick_) < kWatchMs) return;
    // A running operation (a capture awaiting the technician) reads on its own, and its
    // readings are the proof; a Reload would stop it.
    if (model.OperationRunning() || !model.Settled()) return;
    watchInFlight_ = true;
    watchHidden_ = true;
    watchStartBytes_ = parts_.app.com().bytesReceived();
    lastProofTick_ = now;  // at most one exchange every kWatchMs, answered or not
    SendReload();
}

void ProcedureRunner::HideWatchBytes() {
    if (!watchInFlight_ || !watchHidden_) return;
    watchHidden_ = false;
    watchBytes_ += parts_.app.com().bytesReceived() - watchStartBytes_;
}

bool ProcedureRunner::ShouldKick() {
    if (phase_ == Phase::Ready || phase_ == Phase::Finished) return false;
    clsIndOp_RigK52T& model = parts_.app.model();
    if (model.state() == TaskState::Idle || model.RigK52TProp_DispPara() ||
        model.dispParaRequest() || parts_.app.sequence().OpRunning() ||
        model.AfterCommandWaitMs() > 0 || model.Settled()) {
        return false;
    }
    // The core has work it can do now; a kick that moved nothing (no state, no frame, no
    // reading, no wait) is not repeated for ever.
    const std::uint64_t signature =
        (static_cast<std::uint64_t>(model.taskState()) << 56) ^
        (static_cast<std::uint64_t>(model.opState()) << 48) ^
        (static_cast<std::uint64_t>(model.readingsTaken()) << 24) ^
        parts_.app.com().bytesReceived() ^
        static_cast<std::uint64_t>(model.afterCommandWaitsStartedMs());
    if (signature == kickSignature_) {
        if (++idleKicks_ > kMaxIdleKicks) return false;
    } else {
        kickSignature_ = signature;
        idleKicks_ = 0;
    }
    return true;
}

void ProcedureRunner::ArmTimer() {
    if (phase_ == Phase::Finished || phase_ == Phase::Ready) return;
    const std::int32_t now = parts_.clock.GetTickCount();
    std::optional<std::int32_t> due;
    const auto atMost = [&due](std::int32_t ms) {
        ms = std::max<std::int32_t>(0, ms);
        due = due ? std::min(*due, ms) : ms;
    };
    if (kickWanted_ || evaluateWanted_) atMost(0);
    if (await_.kind == Await::Kind::Delay) atMost(await_.dueTick - now);
    if (connected_ && !radioLost_ && !watchInFlight_ && WaitingOffTheRadio()) {
        atMost(lastProofTick_ + kWatchMs - now);
    }
    if (connected_ || phase_ == Phase::Connecting) {
        const std::int32_t wait = parts_.app.model().AfterCommandWaitMs();
        if (wait > 0) {
            // The core would take this up on its next 50 ms heartbeat only.
            atMost(wait);
        } else if (ShouldKick()) {
            atMost(0);
        } else if (await_.kind == Await::Kind::Radio) {
            const std::int32_t line = parts_.app.com().LineBusyMs();
            if (line > 0) atMost(line);
        }
    }
    if (!due) {
        if (timerArmed_) parts_.timer.setEnabled(false);
        timerArmed_ = false;
        return;
    }
    // A periodic timer used once: stopped, set, started (a running one would keep its time).
    parts_.timer.setEnabled(false);
    parts_.timer.setInterval(*due);
    parts_.timer.setEnabled(true);
    timerArmed_ = true;
}

void ProcedureRunner::Kick() {
    kickWanted_ = true;
}

Application& ProcedureRunner::app() {
    return parts_.app;
}

void ProcedureRunner::AwaitRadio(std::function<bool()> ready, Then then) {
    await_ = Await{};
    await_.kind = Await::Kind::Radio;
    await_.id = ++lastAwaitId_;
    await_.ready = std::move(ready);
    await_.startTick = parts_.clock.GetTickCount();
    await_.then = std::move(then);
    Kick();
}

void ProcedureRunner::AwaitSettled(Then then) {
    // Settled, and the last frame has left the port: the radio has heard it (a command such
    // as the channel's asks for no wait after it).
    AwaitRadio([this] { return parts_.app.model().Settled() && parts_.app.com().LineBusyMs() == 0; },
               std::move(then));
}

void ProcedureRunner::AwaitDelay(std::int32_t milliseconds, Then then) {
    await_ = Await{};
    await_.kind = Await::Kind::Delay;
    await_.id = ++lastAwaitId_;
    await_.startTick = parts_.clock.GetTickCount();
    await_.dueTick = await_.startTick + milliseconds;
    await_.then = std::move(then);
}

void ProcedureRunner::Resume(std::uint64_t id, Then then) {
    if (id != await_.id || await_.kind == Await::Kind::None) return;  // a late answer
    // What the watch exchanged from here on is the run's own traffic.
    if (WaitingOffTheRadio()) HideWatchBytes();
    await_ = Await{};
    // A stop ends the step at this safe point, through its teardown; a teardown under way
    // goes on to its end.
    if (stopRequested_ && current_ >= 0 && !endingStep_) {
        EndStep(StepOutcome::Aborted, stopText_);
        return;
    }
    if (then) then();
}

void ProcedureRunner::Notify(RunNotice::Kind kind, int step) {
    const RunNotice notice{kind, step};
    if (changed_) changed_(notice);
    if (observer_) observer_(record_, notice);
}

void ProcedureRunner::SetPhase(Phase phase) {
    if (phase_ == phase) return;
    phase_ = phase;
    Notify(RunNotice::Kind::Phase, -1);
}

std::int32_t ProcedureRunner::TickNow() const {
    return parts_.clock.GetTickCount();
}

std::int64_t ProcedureRunner::ElapsedMs() const {
    return static_cast<std::int32_t>(parts_.clock.GetTickCount() - startTick_);
}

void ProcedureRunner::SaveRecord() {
    if (runsFile_.empty()) return;
    std::string error;
    // Until it has ended, the run is kept as it would be left if the program ended now.
    const bool ended = !record_.ended.empty();
    if (StoreRun(runsFile_, ended ? record_ : InProgressRecord(record_, current_), runSlot_,
                 error)) {
        runsFileProblem_.clear();
    } else {
        runsFileProblem_ = error;
    }
}

// --- Start, Stop and the connection -------------------------------------------------------

void ProcedureRunner::Start() {
    if (phase_ != Phase::Ready) return;
    startTick_ = parts_.clock.GetTickCount();
    startBytes_ = parts_.app.com().bytesReceived();
    startWaitsMs_ = parts_.app.model().afterCommandWaitsStartedMs();
    startWaits_ = parts_.app.model().afterCommandWaitsStarted();
    record_.started = DateTimeText(parts_.wallClock.Now());
    heartbeatListener_ = parts_.app.AddHeartbeatListener([this] { OnHeartbeat(); });
    lastProofTick_ = startTick_;
    lastReadings_ = parts_.app.model().readingsTaken();
    SetPhase(Phase::Connecting);
    Post([this] { Connect(); });
}

void ProcedureRunner::Stop(StopCause cause) {
    if (phase_ == Phase::Ready || phase_ == Phase::Finished || stopRequested_) return;
    stopRequested_ = true;
    stopText_ = StopText(cause);
    Post([this] {
        if (phase_ == Phase::Finished) return;
        if (phase_ == Phase::Connecting && !connected_) {
            // Nothing has been sent to the radio yet: the read it is in may simply end.
            clsIndOp_RigK52T& model = parts_.app.model();
            if (model.readOnly()) model.RigOpFunc_ResetAll();
            await_ = Await{};
            Finish(RunVerdict::Aborted, stopText_ + " before the radio was connected");
            return;
        }
        SetPhase(Phase::Stopping);
        switch (await_.kind) {
            case Await::Kind::Technician:
                parts_.technician.Withdraw();
                record_.pace.technicianMs += parts_.clock.GetTickCount() - await_.startTick;
                Resume(await_.id, nullptr);
                break;
            case Await::Kind::Delay:
                record_.pace.technicianMs += parts_.clock.GetTickCount() - await_.startTick;
                Resume(await_.id, nullptr);
                break;
            case Await::Kind::Radio:
                // A running automatic operation stops as the model stops it; anything else
                // the core is sending ends first. A teardown under way is let finish.
                if (!endingStep_ && parts_.app.model().OperationRunning()) {
                    parts_.app.model().StopOperation();
                    // What the step awaited may never come now (a capture's next pass): the
                    // radio settled is the safe point.
                    AwaitSettled(nullptr);
                }
                break;
            case Await::Kind::Bench:
            case Await::Kind::None:
                break;
        }
    });
}

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
    connected_ = true;
    Application& app = parts_.app;
    record_.modelCode = app.radio().radioNameM();
    record_.subCode = app.radio().radionameS();
    record_.backupPath = parts_.safety.backupPath();
    record_.journalPath = parts_.safety.journalPath();
    runsFile_ = record_.backupPath.empty() || !parts_.keepsRunsFile
                    ? std::string()
                    : RunsPathFor(record_.backupPath);
    if (parts_.guard == ChangeGuard::RecordsFirst && !parts_.safety.recordsWritten()) {
        const std::string why = parts_.safety.problem().empty()
                                    ? "the backup and journal of this connection were not written"
                                    : OneLine(parts_.safety.problem());
        Finish(RunVerdict::Error, "nothing was sent to the radio: " + why);
        return;
    }
    adjusting_ = true;
    // Marked in progress before anything is sent, so a program killed from here on is found.
    SaveRecord();
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
    CannotSend("the radio link failed: " + OneLine(parts_.app.main().lastCloneError()));
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
    radioLost_ = true;
    radioLostText_ = std::move(why);
    // Whatever the run waits for (the technician, a wait, an instrument) is not waited for any
    // longer; with nothing awaited a step is between its parts and ends on its own.
    if (await_.kind == Await::Kind::None) return;
    if (finishing_) {
        // Only the last reading's end was awaited; switching the generator off goes on.
        if (await_.kind != Await::Kind::Radio) return;
        await_ = Await{};
        Close();
        return;
    }
    if (await_.kind == Await::Kind::Technician) parts_.technician.Withdraw();
    HideWatchBytes();
    await_ = Await{};
    if (current_ >= 0) {
        EndStep(StepOutcome::Error, radioLostText_);
    } else {
        Finish(RunVerdict::Error, radioLostText_);
    }
}

// --- Steps --------------------------------------------------------------------------------

void ProcedureRunner::BeginStep(int index) {
    if (stopRequested_) {
        Finish(RunVerdict::Aborted, stopText_ + " before step " + std::to_string(index + 1));
        return;
    }
    if (radioLost_) {
        Finish(RunVerdict::Error, radioLostText_);
        return;
    }
    if (index >= static_cast<int>(procedure_.steps.size())) {
        Finish(std::nullopt, "");
        return;
    }
    current_ = index;
    stepStartTick_ = parts_.clock.GetTickCount();
    StepRecord& row = Current();
    row.started = DateTimeText(parts_.wallClock.Now());
    row.startMs = ElapsedMs();
    endingStep_ = false;
    SaveRecord();
    Notify(RunNotice::Kind::StepStarted, index);
    // The step before may still be on the stack that posted this start: it goes next time.
    retired_ = std::move(step_);
    step_ = MakeStepRun(procedure_.steps[static_cast<std::size_t>(index)].action);
    step_->Start(*this);
}

void ProcedureRunner::EndStep(StepOutcome outcome, std::string message) {
    if (current_ < 0) return;
    if (endingStep_) {
        // Something failed while the teardown ran: the step keeps the end it had, and says
        // what stopped its teardown.
        CloseStep(endingOutcome_, endingMessage_ + "; " + message);
        return;
    }
    if (outcome == StepOutcome::Pass) {
        CloseStep(outcome, std::move(message));
        return;
    }
    endingStep_ = true;
    endingOutcome_ = outcome;
    endingMessage_ = std::move(message);
    const int index = current_;
    step_->Teardown(*this, [this, index](std::string note) {
        if (current_ != index || !endingStep_) return;  // ended already, by a later failure
        std::string text = endingMessage_;
        if (!note.empty()) text += (text.empty() ? "" : "; ") + note;
        CloseStep(endingOutcome_, std::move(text));
    });
}

void ProcedureRunner::CloseStep(StepOutcome outcome, std::string message) {
    if (current_ < 0) return;
    const int index = current_;
    StepRecord& row = Current();
    row.outcome = outcome;
    row.message = std::move(message);
    row.durationMs = static_cast<std::int32_t>(parts_.clock.GetTickCount() - stepStartTick_);
    current_ = -1;
    endingStep_ = false;
    SaveRecord();
    Notify(RunNotice::Kind::StepEnded, index);

    const std::string number = std::to_string(index + 1);
    if (stopRequested_) {
        Finish(RunVerdict::Aborted, stopText_ + " at step " + number);
    } else if (radioLost_) {
        Finish(RunVerdict::Error, radioLostText_);
    } else if ((outcome == StepOutcome::Fail || outcome == StepOutcome::Error) &&
               !procedure_.steps[static_cast<std::size_t>(index)].continueOnFail) {
        Finish(outcome == StepOutcome::Fail ? RunVerdict::Fail : RunVerdict::Error,
               "step " + number + (outcome == StepOutcome::Fail ? " failed" : " could not be judged"));
    } else {
        Post([this, index] { BeginStep(index + 1); });
    }
}

// --- The end ------------------------------------------------------------------------------

void ProcedureRunner::Finish(std::optional<RunVerdict> verdict, std::string reason) {
    if (finishing_) return;
    finishing_ = true;
    endVerdict_ = verdict;
    record_.endReason = std::move(reason);
    record_.complete = record_.endReason.empty();
    for (StepRecord& row : record_.steps) {
        if (row.startMs < 0 && row.message.empty()) row.message = "not run";
    }
    SetPhase(Phase::Stopping);
    if (generatorUsed_ && !parts_.bench.Address(instruments::Role::Generator).empty()) {
        SwitchGeneratorOff();
    } else {
        Close();
    }
}

void ProcedureRunner::SwitchGeneratorOff() {
    // Whatever ended the run, the generator does not go on feeding the radio.
    parts_.bench.SetRf(instruments::RfOutput::Off,
                       BenchAnswer<instruments::Status>([this](const instruments::Status& s) {
                           record_.notes.push_back(
                               s ? "Generator RF switched off at the end."
                                 : "Generator RF could not be switched off at the end: " +
                                       s.error().message);
                           // A generator that may still feed the radio is never a pass.
                           if (!s && !endVerdict_) {
                               endVerdict_ = RunVerdict::Error;
                               record_.endReason = "the generator's RF could not be switched off";
                           }
                           Close();
                       }));
}

void ProcedureRunner::RecordInstruments() {
    record_.instruments.clear();
    for (const BenchRole role : RolesNeeded(procedure_)) {
        const std::string address = parts_.bench.Address(role);
        if (address.empty()) continue;
        record_.instruments.push_back({instruments::RoleName(role), address,
                                       parts_.bench.Identity(role),
                                       parts_.bench.CalibrationDue(role)});
    }
}

void ProcedureRunner::Close() {
    if (phase_ == Phase::Finished) return;
    Application& app = parts_.app;
    if (watchInFlight_ && app.model().state() != TaskState::Idle && !app.model().Settled()) {
        // The watch's last reading is under way: the run ends after its last frame.
        AwaitSettled([this] { Close(); });
        return;
    }
    record_.ended = DateTimeText(parts_.wallClock.Now());
    record_.durationMs = ElapsedMs();
    // The steps' own ends decide, unless the run's end was graver (a stop between steps, a
    // radio lost before the first).
    record_.verdict = VerdictOf(record_.steps);
    if (endVerdict_ && *endVerdict_ != RunVerdict::Pass &&
        static_cast<int>(*endVerdict_) > static_cast<int>(record_.verdict)) {
        record_.verdict = *endVerdict_;
    }
    RecordInstruments();
    HideWatchBytes();
    record_.pace.lineBytes = app.com().bytesReceived() - startBytes_ - watchBytes_;
    record_.pace.afterCommandWaitMs = app.model().afterCommandWaitsStartedMs() - startWaitsMs_;
    record_.pace.waitedCommands = app.model().afterCommandWaitsStarted() - startWaits_;
    if (heartbeatListener_ != 0) app.RemoveHeartbeatListener(heartbeatListener_);
    heartbeatListener_ = 0;
    SaveRecord();
    phase_ = Phase::Finished;
    parts_.timer.setEnabled(false);
    timerArmed_ = false;
    Notify(RunNotice::Kind::Phase, -1);
}

}  // namespace qs::procedure
