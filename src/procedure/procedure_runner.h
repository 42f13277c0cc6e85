#pragma once

// Carries out a checked procedure on one connection: connects when needed (without changing
// the radio until its backup and journal are written), then runs the steps in order through
// the core (console items, Enter on a row, the model's automatic operations) and the bench,
// and keeps the record of the run.
//
//   ProcedureRunner runner(parts, procedure, {"A. Technician", "SN 1234", "WO-77"});
//   runner.setChanged([&](const RunNotice& notice) { ... show runner.record() ... });
//   runner.Start();
//   ... the event loop runs; runner.Stop() ends it at the next safe point ...
//   if (runner.finished()) use(runner.record());
//
// Nothing here waits. The runner moves on when something happens: a heartbeat of the core
// (an answer of the radio), the end of an after-command wait (its own timer wakes the core
// then, rather than leaving it to the next 50 ms heartbeat), an instrument's answer, the
// technician's answer. A runner must not be destroyed from inside its own notifications.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "model/radio_holdings.h"
#include "model/task_state.h"
#include "procedure/procedure.h"
#include "procedure/radio_watch.h"
#include "procedure/run_book.h"
#include "procedure/step_run.h"
#include "procedure/technician.h"
#include "record/run_record.h"

namespace qs {
class Application;
class ITickSource;
class ITimer;
class IWallClock;
class SafetyNet;
}  // namespace qs

namespace qs::instruments {
class Bench;
}

namespace qs::procedure {

// Who runs the procedure on which radio, as asked at the start.
struct RunInfo {
    std::string technician;
    std::string serialNumber;  // from the radio's label
    std::string workOrder;
    std::string bench = {};  // the bench's name, for the record
};

enum class ChangeGuard {
    RecordsFirst,    // nothing is sent to the radio before its backup and journal are written
    WithoutRecords,  // the technician chose to go on without them
};

struct RunnerParts {
    Application& app;
    SafetyNet& safety;
    instruments::Bench& bench;  // its roles already assigned
    ITimer& timer;              // the runner's alone
    const ITickSource& clock;
    const IWallClock& wallClock;
    ITechnician& technician;
    ChangeGuard guard = ChangeGuard::RecordsFirst;
    // A run of its own procedure keeps its record in the runs file for the report; a single
    // command run as a one-step procedure (the command line's set, sweep, level and rssi) is
    // journalled, not kept as a procedure run.
    bool keepsRunsFile = true;
};

// Who or what stopped a run; each is written as such, never as a failure. InputEnded: the
// answers come from a stream (standard input) that ended with a question open. OutputLost:
// the reader of the run's output went away (a closed pipe).
enum class StopCause { Technician, Signal, TimeOut, InputEnded, OutputLost };
// "stopped by the technician", "stopped by a signal", "stopped by the time-out",
// "stopped as the answers' input ended", "stopped as its output's reader went away".
std::string StopText(StopCause cause);
// What a stop that came while a step's teardown ran adds to the step's reason: "Stop was
// pressed during the clean-up, which went on to its end".
std::string StopDuringCleanUpText(StopCause cause);

struct RunNotice;
// Told every notice after the front end's handler, with the record as it then stands: how the
// service records follow a run without the front ends carrying it.
using RunObserver = std::function<void(const RunRecord&, const RunNotice&)>;

struct RunNotice {
    enum class Kind {
        Phase,        // the run's phase changed (connecting, running, stopping, finished)
        StepStarted,  // record().steps[step] began
        SeenValue,    // record().steps[step] saw or set a value
        StepEnded,    // record().steps[step] has its outcome
    };
    Kind kind = Kind::Phase;
    int step = -1;  // index into record().steps; -1 for the run as a whole
};

// The one executor of a run's steps: each step kind is a StepRun of its own, which this runs
// through StepHost, looking at Stop, the radio link, the journal and the deadline whenever the
// step is resumed, and calling its teardown on every end that is not a pass. Its parts: the
// run's record (RunBook), the radio watched while the run waits on something else
// (RadioWatch), and the one thing the run awaits with the timer that wakes it.
class ProcedureRunner : private StepHost {
public:
    enum class Phase { Ready, Connecting, Running, Stopping, Finished };

    ProcedureRunner(RunnerParts parts, Procedure procedure, RunInfo info);
    ~ProcedureRunner();
    ProcedureRunner(const ProcedureRunner&) = delete;
    ProcedureRunner& operator=(const ProcedureRunner&) = delete;

    // Connects when the radio is not connected yet, then runs the steps. Once.
    void Start();
    // Ends the run at the next safe point: a prompt or a wait ends at once, a running automatic
    // operation stops as the model stops it, an adjustment puts its item back; an instrument's
    // request or a command under way is finished first. The step under way ends ABORTED
    // after its teardown; the steps not run are skipped. While a step's teardown runs, a Stop
    // changes nothing of its end (a FAIL stays FAIL; the reason says Stop came during the
    // clean-up); a second one, or a time-out, abandons the clean-up: the step and the run end
    // ABORTED, RF off, and the record names what the radio holds.
    void Stop(StopCause cause = StopCause::Technician);

    Phase phase() const { return phase_; }
    bool finished() const { return phase_ == Phase::Finished; }
    // A step's teardown is under way (Stop now would abandon it only when pressed again).
    bool cleaningUp() const { return ending_.active; }
    // Stop was asked for and the run has not ended yet.
    bool stopping() const { return stop_.requested && !finished(); }
    const Procedure& procedure() const { return procedure_; }
    // Kept up to date as the run goes; complete once finished().
    const RunRecord& record() const { return book_.record(); }
    // The step running now (index into the steps), -1 when none is.
    int currentStep() const { return current_; }
    // The runs file the record is kept in, beside the connection's backup; empty without one.
    const std::string& runsFile() const { return book_.runsFile(); }
    // Why the runs file could not be written, empty when it could.
    const std::string& runsFileProblem() const { return book_.runsFileProblem(); }

    void setChanged(std::function<void(const RunNotice&)> changed) {
        listeners_.changed = std::move(changed);
    }
    void setObserver(RunObserver observer) { listeners_.observer = std::move(observer); }

private:
    // What the run waits for; exactly one thing at a time.
    struct Await {
        enum class Kind { None, Radio, Bench, Technician, Delay };
        Kind kind = Kind::None;
        std::uint64_t id = 0;
        std::function<bool()> ready;  // Radio: checked after every heartbeat
        std::int32_t startTick = 0;
        std::int32_t dueTick = 0;     // Delay
        std::function<void()> then;
    };
    using Then = std::function<void()>;
    // Stop as asked for: by whom, and how often while a teardown ran.
    struct StopRequest {
        bool requested = false;
        StopCause cause = StopCause::Technician;
        std::string text;  // "stopped by the technician"
        bool duringCleanUp = false;  // the first came while a teardown ran
        bool abandon = false;        // a second one, or the time-out: the teardown is left
    };
    // The step's end is decided and its teardown runs: what it ends with.
    struct StepEnding {
        bool active = false;
        StepOutcome outcome = StepOutcome::Skipped;
        std::string message;
    };
    // What may still be sent to the radio.
    struct Link {
        bool connected = false;
        bool adjusting = false;  // past the backup and journal check: changes may be sent
        // Nothing more can be sent (the radio does not answer) or may be (the journal is lost).
        bool lost = false;
        std::string lostText;
    };
    // How the timer and the core's own heartbeat wake the run.
    struct Waking {
        int heartbeatListener = 0;
        bool timerArmed = false;
        bool evaluateWanted = false;  // a heartbeat ran: look again, outside it
        bool kickWanted = false;
        // What the core looked like at the last kick, to notice kicks that move nothing.
        std::uint64_t kickSignature = 0;
        int idleKicks = 0;
    };

    // runner_core.cpp: waiting, waking, stopping.
    void Post(Then work);
    void Drain();
    void OnHeartbeat();
    void OnTimer();
    void Evaluate();
    void ArmTimer();
    bool ShouldKick();
    void Resume(std::uint64_t id, Then then);
    void Kick() { waking_.kickWanted = true; }
    void Notify(RunNotice::Kind kind, int step);
    void SetPhase(Phase phase);
    std::int32_t TickNow() const;
    void StopNow();
    void AbandonCleanUp();
    bool WaitingOffTheRadio() const;

    // runner_link.cpp: the connection and what ends sending.
    void Connect();
    void BeginAdjustment();
    void RadioLost();
    // A journal line could not be written: nothing more may be sent.
    void JournalLost();
    // Ends whatever the run awaits with `why`, once nothing more can or may be sent.
    void CannotSend(std::string why);

    // runner_steps.cpp: the steps and the end of the run.
    void BeginStep(int index);
    // Ends the step under way: its teardown first when it did not pass, then the record.
    void EndStep(StepOutcome outcome, std::string message);
    void CloseStep(StepOutcome outcome, std::string message);
    // What the radio holds of what the step sent, for the record of a step that did not pass.
    std::string StepHoldsText() const;
    // Ends the run; `verdict` none: as its steps ended.
    void Finish(std::optional<RunVerdict> verdict, std::string reason);
    void SwitchGeneratorOff();
    void Close();
    // What the radio and the generator hold at the end, beside what they held at the start.
    std::string RunHoldsText() const;
    // The instruments of the roles the procedure needs, with their identity and calibration.
    void RecordInstruments();

    // What the step under way is offered (StepHost), beside the machinery above.
    // runner_core.cpp: waiting.
    Application& app() override;
    bool radioLost() const override { return link_.lost; }
    AnsweredBy answeredBy() const override { return parts_.technician.answeredBy(); }
    void AwaitRadio(std::function<bool()> ready, Then then) override;
    void AwaitSettled(Then then) override;
    void AwaitDelay(std::int32_t milliseconds, Then then) override;
    // runner_technician.cpp
    void Ask(Question::Kind kind, const std::string& text,
             std::function<void(Answer)> then) override;
    // runner_radio.cpp
    void SendReload() override;
    void AwaitConfirmed(Then then) override;
    void PressEnterAndAwaitEnd(std::int16_t item, Then then) override;
    void StopOperationThen(Then then) override;
    // runner_bench.cpp
    void SetGenerator(std::optional<double> hz, std::optional<double> dbm,
                      std::optional<bool> rfOn, Then then) override;
    void SwitchRfOff(std::function<void(std::string note)> then) override;
    bool HasGenerator() const override;
    void Measure(Quantity quantity, std::function<void(double value)> then,
                 std::function<void(const std::string& message)> failed) override;
    std::optional<ChannelFrequencies> TestChannel(
        std::initializer_list<Nominal::Source> needed) override;
    // Waits for the bench's answer to a request made with the callback returned.
    template <typename R>
    std::function<void(const R&)> BenchAnswer(std::function<void(const R&)> then);
    // runner_values.cpp: what a step records.
    StepRecord& Row() override { return Current(); }
    StepRecord& Current();
    void AddValue(SeenValue value) override;
    void AddItemValue(std::int16_t item) override;
    std::string ItemName(std::int16_t item) const override;
    void End(StepOutcome outcome, std::string message) override { EndStep(outcome, std::move(message)); }
    void Judge(SeenValue measured, const StepLimits& limits) override;

    // The front end's and the records' ears.
    struct Listeners {
        std::function<void(const RunNotice&)> changed;
        RunObserver observer;
    };
    // Work posted while other work runs, done once it has returned.
    struct Work {
        std::vector<Then> posted;
        bool draining = false;
    };
    // The run's end once decided.
    struct RunEnd {
        bool finishing = false;  // decided: the generator is being switched off
        std::optional<RunVerdict> verdict;  // graver than its steps' (a stop between steps)
        bool generatorUsed = false;  // so it is switched off at the end
        std::optional<bool> rfOff;   // switched off at the end, or the generator refused
    };
    // What the radio had proved at the run's start and at the step's.
    struct Marks {
        RadioHoldings::Mark run;
        RadioHoldings::Mark step;
    };

    RunnerParts parts_;
    Procedure procedure_;
    RunBook book_;
    RadioWatch watch_;
    Listeners listeners_;
    // Copies of it are kept by the callbacks handed to the bench and the technician; it is
    // cleared when the runner goes, so a late answer finds nobody.
    std::shared_ptr<ProcedureRunner*> self_;

    Phase phase_ = Phase::Ready;
    int current_ = -1;
    Await await_;
    std::uint64_t lastAwaitId_ = 0;
    Work work_;
    Waking waking_;
    StopRequest stop_;
    std::unique_ptr<StepRun> step_;     // the step under way, or the last one
    std::unique_ptr<StepRun> retired_;  // the one before, kept until its callbacks have returned
    StepEnding ending_;
    RunEnd end_;
    Link link_;
    Marks marks_;
};

template <typename R>
std::function<void(const R&)> ProcedureRunner::BenchAnswer(std::function<void(const R&)> then) {
    await_ = Await{};
    await_.kind = Await::Kind::Bench;
    await_.id = ++lastAwaitId_;
    await_.startTick = TickNow();
    const std::uint64_t id = await_.id;
    return [self = self_, id, then = std::move(then)](const R& result) {
        ProcedureRunner* runner = *self;
        if (runner == nullptr) return;
        runner->Post([runner, id, then, result] {
            if (id != runner->await_.id) return;
            runner->book_.record().pace.instrumentMs += runner->TickNow() - runner->await_.startTick;
            runner->Resume(id, [then, result] { then(result); });
        });
    };
}

}  // namespace qs::procedure
