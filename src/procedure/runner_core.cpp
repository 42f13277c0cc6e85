// The runner's own machinery: the one thing it waits for, the timer that wakes it (and the
// core) the moment something is due, and Stop.
#include <algorithm>

#include "procedure/procedure_runner.h"
#include "safety/safety_net.h"
#include "safety/wall_clock.h"
#include "shell/application.h"

namespace qs::procedure {
namespace {

// Kicks of the core that changed nothing before the runner leaves it to the heartbeat.
constexpr int kMaxIdleKicks = 3;

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

std::string StopDuringCleanUpText(StopCause cause) {
    switch (cause) {
        case StopCause::Signal:
            return "a signal came during the clean-up, which went on to its end";
        case StopCause::TimeOut:
            return "the time ran out during the clean-up";
        case StopCause::InputEnded:
            return "the answers' input ended during the clean-up, which went on to its end";
        case StopCause::OutputLost:
            return "the output's reader went away during the clean-up, which went on to its end";
        case StopCause::Technician:
            break;
    }
    return "Stop was pressed during the clean-up, which went on to its end";
}

ProcedureRunner::ProcedureRunner(RunnerParts parts, Procedure procedure, RunInfo info)
    : parts_(parts),
      procedure_(std::move(procedure)),
      book_(procedure_, std::move(info), parts_.app.com().comBaud()),
      watch_(parts_.app),
      self_(std::make_shared<ProcedureRunner*>(this)) {
    parts_.timer.setEnabled(false);
    parts_.timer.setHandler([this] { OnTimer(); });
}

ProcedureRunner::~ProcedureRunner() {
    *self_ = nullptr;
    // A finished run has let its timer go: the next run may have it now.
    if (phase_ != Phase::Finished) {
        parts_.timer.setEnabled(false);
        parts_.timer.setHandler(nullptr);
    }
    if (waking_.heartbeatListener != 0) parts_.app.RemoveHeartbeatListener(waking_.heartbeatListener);
    if (await_.kind == Await::Kind::Technician) parts_.technician.Withdraw();
}

// --- Waiting and waking -------------------------------------------------------------------

void ProcedureRunner::Post(Then work) {
    work_.posted.push_back(std::move(work));
    if (!work_.draining) Drain();
}

void ProcedureRunner::Drain() {
    work_.draining = true;
    // Index, not iterators: the work may post more.
    for (std::size_t i = 0; i < work_.posted.size(); ++i) {
        Then work = std::move(work_.posted[i]);
        work();
    }
    work_.posted.clear();
    work_.draining = false;
    ArmTimer();
}

void ProcedureRunner::OnHeartbeat() {
    // Never acted on inside the heartbeat itself: the core may be halfway through its step,
    // and a heartbeat asked for from in there would not run.
    waking_.evaluateWanted = true;
    if (!work_.draining) ArmTimer();
}

void ProcedureRunner::OnTimer() {
    parts_.timer.setEnabled(false);
    waking_.timerArmed = false;
    Post([this] {
        if (phase_ == Phase::Finished) return;
        if (waking_.kickWanted || ShouldKick()) {
            waking_.kickWanted = false;
            parts_.app.main().RunTaskNow();
        }
        waking_.evaluateWanted = false;
        Evaluate();
    });
}

void ProcedureRunner::Evaluate() {
    if (phase_ == Phase::Finished) return;
    const bool watching = link_.connected || phase_ == Phase::Connecting;
    if (watching && !link_.lost && parts_.app.model().state() == TaskState::Idle) {
        RadioLost();
        return;
    }
    if (link_.adjusting && !link_.lost && parts_.guard == ChangeGuard::RecordsFirst &&
        !parts_.safety.recordsWritten()) {
        JournalLost();
        return;
    }
    if (await_.kind == Await::Kind::Radio && await_.ready()) {
        Resume(await_.id, await_.then);
    } else if (await_.kind == Await::Kind::Delay &&
               static_cast<std::int32_t>(TickNow() - await_.dueTick) >= 0) {
        book_.record().pace.technicianMs += TickNow() - await_.startTick;
        Resume(await_.id, await_.then);
    }
    // Once the run is ending (the generator switched off) nothing more is asked of the radio.
    if (link_.connected && !link_.lost && phase_ != Phase::Finished) {
        watch_.Look(TickNow(), WaitingOffTheRadio() && !end_.finishing);
    }
}

bool ProcedureRunner::WaitingOffTheRadio() const {
    return await_.kind == Await::Kind::Technician || await_.kind == Await::Kind::Delay ||
           await_.kind == Await::Kind::Bench;
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
    if (signature == waking_.kickSignature) {
        if (++waking_.idleKicks > kMaxIdleKicks) return false;
    } else {
        waking_.kickSignature = signature;
        waking_.idleKicks = 0;
    }
    return true;
}

void ProcedureRunner::ArmTimer() {
    if (phase_ == Phase::Finished || phase_ == Phase::Ready) return;
    const std::int32_t now = TickNow();
    std::optional<std::int32_t> due;
    const auto atMost = [&due](std::int32_t ms) {
        ms = std::max<std::int32_t>(0, ms);
        due = due ? std::min(*due, ms) : ms;
    };
    if (waking_.kickWanted || waking_.evaluateWanted) atMost(0);
    if (await_.kind == Await::Kind::Delay) atMost(await_.dueTick - now);
    if (link_.connected && !link_.lost && !watch_.inFlight() && WaitingOffTheRadio()) {
        atMost(watch_.DueInMs(now));
    }
    if (link_.connected || phase_ == Phase::Connecting) {
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
        if (waking_.timerArmed) parts_.timer.setEnabled(false);
        waking_.timerArmed = false;
        return;
    }
    // A periodic timer used once: stopped, set, started (a running one would keep its time).
    parts_.timer.setEnabled(false);
    parts_.timer.setInterval(*due);
    parts_.timer.setEnabled(true);
    waking_.timerArmed = true;
}

Application& ProcedureRunner::app() {
    return parts_.app;
}

void ProcedureRunner::AwaitRadio(std::function<bool()> ready, Then then) {
    await_ = Await{};
    await_.kind = Await::Kind::Radio;
    await_.id = ++lastAwaitId_;
    await_.ready = std::move(ready);
    await_.startTick = TickNow();
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
    await_.startTick = TickNow();
    await_.dueTick = await_.startTick + milliseconds;
    await_.then = std::move(then);
}

void ProcedureRunner::Resume(std::uint64_t id, Then then) {
    if (id != await_.id || await_.kind == Await::Kind::None) return;  // a late answer
    // What the watch exchanged from here on is the run's own traffic.
    if (WaitingOffTheRadio()) watch_.Unhide();
    await_ = Await{};
    // A stop ends the step at this safe point, through its teardown; a teardown under way
    // goes on to its end.
    if (stop_.requested && current_ >= 0 && !ending_.active) {
        EndStep(StepOutcome::Aborted, stop_.text);
        return;
    }
    if (then) then();
}

void ProcedureRunner::Notify(RunNotice::Kind kind, int step) {
    const RunNotice notice{kind, step};
    if (listeners_.changed) listeners_.changed(notice);
    if (listeners_.observer) listeners_.observer(book_.record(), notice);
}

void ProcedureRunner::SetPhase(Phase phase) {
    if (phase_ == phase) return;
    phase_ = phase;
    Notify(RunNotice::Kind::Phase, -1);
}

std::int32_t ProcedureRunner::TickNow() const {
    return parts_.clock.GetTickCount();
}

// --- Start and Stop ------------------------------------------------------------------------

void ProcedureRunner::Start() {
    if (phase_ != Phase::Ready) return;
    book_.Begin(parts_.app, TickNow(), DateTimeText(parts_.wallClock.Now()));
    waking_.heartbeatListener = parts_.app.AddHeartbeatListener([this] { OnHeartbeat(); });
    watch_.Begin(TickNow());
    SetPhase(Phase::Connecting);
    Post([this] { Connect(); });
}

void ProcedureRunner::Stop(StopCause cause) {
    if (phase_ == Phase::Ready || phase_ == Phase::Finished) return;
    if (stop_.requested) {
        // Asked again: a teardown under way is left where it stands.
        if (ending_.active && !stop_.abandon) {
            stop_.abandon = true;
            Post([this] { AbandonCleanUp(); });
        }
        return;
    }
    stop_.requested = true;
    stop_.cause = cause;
    stop_.text = StopText(cause);
    if (ending_.active) {
        // The step has its end already; its clean-up goes on, unless the time ran out.
        stop_.duringCleanUp = true;
        if (cause == StopCause::TimeOut) {
            stop_.abandon = true;
            Post([this] { AbandonCleanUp(); });
        } else {
            Notify(RunNotice::Kind::Phase, -1);
        }
        return;
    }
    Post([this] { StopNow(); });
}

void ProcedureRunner::StopNow() {
    if (phase_ == Phase::Finished || end_.finishing) return;
    if (phase_ == Phase::Connecting && !link_.connected) {
        // Nothing has been sent to the radio yet: the read it is in may simply end.
        clsIndOp_RigK52T& model = parts_.app.model();
        if (model.readOnly()) model.RigOpFunc_ResetAll();
        await_ = Await{};
        Finish(RunVerdict::Aborted, stop_.text + " before the radio was connected");
        return;
    }
    SetPhase(Phase::Stopping);
    switch (await_.kind) {
        case Await::Kind::Technician:
            parts_.technician.Withdraw();
            book_.record().pace.technicianMs += TickNow() - await_.startTick;
            Resume(await_.id, nullptr);
            break;
        case Await::Kind::Delay:
            book_.record().pace.technicianMs += TickNow() - await_.startTick;
            Resume(await_.id, nullptr);
            break;
        case Await::Kind::Radio:
            // A running automatic operation stops as the model stops it; anything else the
            // core is sending ends first.
            if (parts_.app.model().OperationRunning()) {
                parts_.app.model().StopOperation();
                // What the step awaited may never come now (a capture's next pass): the radio
                // settled is the safe point.
                AwaitSettled(nullptr);
            }
            break;
        case Await::Kind::Bench:
        case Await::Kind::None:
            break;
    }
}

void ProcedureRunner::AbandonCleanUp() {
    if (!ending_.active || current_ < 0) return;
    // The teardown sends nothing more of its own: an operation it waited on stops, a question
    // it asked is taken down; what the core has queued still goes out.
    if (parts_.app.model().OperationRunning()) parts_.app.model().StopOperation();
    if (await_.kind == Await::Kind::Technician) parts_.technician.Withdraw();
    watch_.Unhide();
    await_ = Await{};
    stop_.duringCleanUp = false;
    CloseStep(StepOutcome::Aborted,
              ending_.message + "; " + stop_.text + " during the clean-up, which was left unfinished");
}

}  // namespace qs::procedure
