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

#include "model/task_state.h"
#include "procedure/procedure.h"
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
// step is resumed, and calling its teardown on every end that is not a pass.
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
    // after its teardown; the steps not run are skipped.
    void Stop(StopCause cause = StopCause::Technician);

    Phase phase() const { return phase_; }
    bool finished() const { return phase_ == Phase::Finished; }
    const Procedure& procedure() const { return procedure_; }
    // Kept up to date as the run goes; complete once finished().
    const RunRecord& record() const { return record_; }
    // The step running now (index into the steps), -1 when none is.
    int currentStep() const { return current_; }
    // The runs file the record is kept in, beside the connection's backup; empty without one.
    const std::string& runsFile() const { return runsFile_; }
    // Why the runs file could not be written, empty when it could.
    const std::string& runsFileProblem() const { return runsFileProblem_; }

    void setChanged(std::function<void(const RunNotice&)> changed) { changed_ = std::move(changed); }
    void setObserver(RunObserver observer) { observer_ = std::move(observer); }

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

    // runner_core.cpp: waiting, waking, stopping, the record.
    void Post(Then work);
    void Drain();
    void OnHeartbeat();
    void OnTimer();
    void Evaluate();
    void ArmTimer();
    bool ShouldKick();
    void Resume(std::uint64_t id, Then then);
    void Kick();
    void Notify(RunNotice::Kind kind, int step);
    void SetPhase(Phase phase);
    std::int64_t ElapsedMs() const;
    std::int32_t TickNow() const;
    void SaveRecord();

    // runner_core.cpp: the connection and the end of the run.
    void Connect();
    void BeginAdjustment();
    void RadioLost();
    // A journal line could not be written: nothing more may be sent.
    void JournalLost();
    // Ends whatever the run awaits with `why`, once nothing more can or may be sent.
    void CannotSend(std::string why);
    // The radio watched while the run waits on anything but the radio: a reading exchange
    // once no reading has been answered for kWatchMs, so that a radio gone silent is noticed
    // within seconds, not at the next step that talks to it.
    void Watch();
    bool WaitingOffTheRadio() const;
    // The watch's bytes so far were hidden in the wait; from here on they are the run's own.
    void HideWatchBytes();
    void BeginStep(int index);
    // Ends the step under way: its teardown first when it did not pass, then the record.
    void EndStep(StepOutcome outcome, std::string message);
    void CloseStep(StepOutcome outcome, std::string message);
    // Ends the run; `verdict` none: as its steps ended.
    void Finish(std::optional<RunVerdict> verdict, std::string reason);
    void SwitchGeneratorOff();
    void Close();
    // The instruments of the roles the procedure needs, with their identity and calibration.
    void RecordInstruments();

    // What the step under way is offered (StepHost), beside the machinery above.
    // runner_core.cpp: waiting.
    Application& app() override;
    bool radioLost() const override { return radioLost_; }
    AnsweredBy answeredBy() const override { return parts_.technician.answeredBy(); }
    void AwaitRadio(std::function<bool()> ready, Then then) override;
    void AwaitSettled(Then then) override;
    void AwaitDelay(std::int32_t milliseconds, Then then) override;
    // runner_technician.cpp
    void Ask(Question::Kind kind, const std::string& text,
             std::function<void(Answer)> then) override;
    // runner_radio.cpp
    void SendReload() override;
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
    std::string HoldsText(const std::vector<std::int16_t>& items) const override;
    void End(StepOutcome outcome, std::string message) override { EndStep(outcome, std::move(message)); }
    void Judge(SeenValue measured, const StepLimits& limits) override;

    RunnerParts parts_;
    Procedure procedure_;
    RunRecord record_;
    std::function<void(const RunNotice&)> changed_;
    RunObserver observer_;
    // Copies of it are kept by the callbacks handed to the bench and the technician; it is
    // cleared when the runner goes, so a late answer finds nobody.
    std::shared_ptr<ProcedureRunner*> self_;
    int heartbeatListener_ = 0;

    Phase phase_ = Phase::Ready;
    int current_ = -1;
    Await await_;
    std::uint64_t lastAwaitId_ = 0;
    // Work posted while other work runs, done once it has returned.
    std::vector<Then> posted_;
    bool draining_ = false;
    bool timerArmed_ = false;
    bool kickWanted_ = false;
    bool evaluateWanted_ = false;  // a heartbeat ran: look again, outside it
    bool finishing_ = false;
    // What the core looked like at the last kick, to notice kicks that move nothing.
    std::uint64_t kickSignature_ = 0;
    int idleKicks_ = 0;

    bool stopRequested_ = false;
    std::string stopText_;  // "stopped by the technician"
    std::unique_ptr<StepRun> step_;     // the step under way, or the last one
    std::unique_ptr<StepRun> retired_;  // the one before, kept until its callbacks have returned
    // The step's end is decided and its teardown runs: what it ends with.
    bool endingStep_ = false;
    StepOutcome endingOutcome_ = StepOutcome::Skipped;
    std::string endingMessage_;
    std::optional<RunVerdict> endVerdict_;
    bool connected_ = false;
    // Nothing more can be sent (the radio does not answer) or may be (the journal is lost).
    bool radioLost_ = false;
    std::string radioLostText_;
    bool adjusting_ = false;  // past the backup and journal check: changes may be sent
    bool generatorUsed_ = false;

    static constexpr std::int32_t kWatchMs = 2000;
    std::int32_t lastProofTick_ = 0;  // when the radio last answered a reading
    std::uint32_t lastReadings_ = 0;
    bool watchInFlight_ = false;  // its reading exchange is under way
    bool watchHidden_ = false;    // and the run still waits on something else
    std::uint64_t watchStartBytes_ = 0;
    // Line bytes of the watch's exchanges while the run waited on something else: hidden in
    // that wait, so not part of the least the run could take.
    std::uint64_t watchBytes_ = 0;

    std::int32_t startTick_ = 0;
    std::int32_t stepStartTick_ = 0;
    std::uint64_t startBytes_ = 0;
    std::int64_t startWaitsMs_ = 0;
    std::uint32_t startWaits_ = 0;
    std::string runsFile_;
    std::string runsFileProblem_;
    int runSlot_ = -1;  // the run's place in the runs file

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
            runner->record_.pace.instrumentMs += runner->TickNow() - runner->await_.startTick;
            runner->Resume(id, [then, result] { then(result); });
        });
    };
}

}  // namespace qs::procedure
