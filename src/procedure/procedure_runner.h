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

class AdjustSearch;

// Who runs the procedure on which radio, as asked at the start.
struct RunInfo {
    std::string technician;
    std::string serialNumber;  // from the radio's label
    std::string workOrder;
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
};

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

class ProcedureRunner {
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
    // request or a command under way is finished first. The steps not run are skipped.
    void Stop();

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
    std::uint64_t AwaitRadio(std::function<bool()> ready, Then then);
    void AwaitSettled(Then then);
    void AwaitDelay(std::int32_t milliseconds, Then then);
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
    void BeginStep(int index);
    void EndStep(StepOutcome outcome, std::string message);
    void Finish(std::string reason);
    void SwitchGeneratorOff();
    void Close();

    // runner_values.cpp: what a step records.
    StepRecord& Current();
    void AddValue(SeenValue value);
    // Records the value judged and ends the step: pass within the limits, fail outside.
    void Judge(SeenValue measured, const StepLimits& limits);
    void Error(std::string message);
    std::string ItemName(std::int16_t item) const;
    void AddItemValue(std::int16_t item);

    // runner_technician_steps.cpp
    void RunPrompt(const PromptStep& step);
    void RunConfirm(const ConfirmStep& step);
    void RunWait(const WaitStep& step);
    void Ask(Question::Kind kind, const std::string& text, std::function<void(Answer)> then);

    // runner_radio_steps.cpp
    void RunSet(const SetStep& step);
    void SetNext(const SetStep& step, std::size_t next);
    void RunSweep(const SweepStep& step);
    void RunLevel(const LevelStep& step);
    void RunCheck(const CheckStep& step);
    void PressEnterAndAwaitEnd(std::int16_t item, Then then);

    // runner_rssi_step.cpp
    void RunRssi(const RssiStep& step);
    void StartCapture(const RssiStep& step, bool generator);
    void CaptureS3(const RssiStep& step, bool generator);
    void CaptureS1(const RssiStep& step, bool generator);
    void EnterWhenFresh(RssiCapture pass, Then then);
    void EndRssi();

    // runner_bench_steps.cpp
    void RunGenerator(const GeneratorStep& step);
    void RunMeasure(const MeasureStep& step);
    // Frequency, level and RF, each only when given, in that order; a refusal ends the step
    // in an error.
    void SetGenerator(std::optional<double> hz, std::optional<double> dbm,
                      std::optional<bool> rfOn, Then then);
    // One reading of the meter; `failed` gets the instrument's message.
    void Measure(Quantity quantity, std::function<void(double value)> then,
                 std::function<void(const std::string& message)> failed);
    // Waits for the bench's answer to a request made with the callback returned.
    template <typename R>
    std::function<void(const R&)> BenchAnswer(std::function<void(const R&)> then);
    // The test channel's frequencies as CH No. selects it now. When a frequency the step needs
    // is inhibited on that channel, nothing: the step has failed, saying so.
    std::optional<ChannelFrequencies> TestChannel(std::initializer_list<Nominal::Source> needed);

    // runner_adjust_step.cpp
    void RunAdjust(const AdjustStep& step);
    void AdjustMeasure(const AdjustStep& step);
    void AdjustSet(const AdjustStep& step, std::int16_t value);
    void AdjustEnd(const AdjustStep& step, StepOutcome outcome, std::string message);
    std::string AdjustFailure(const AdjustStep& step) const;

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
    Then stopHandler_;  // what the running step does to end at a Stop; taken once
    bool connected_ = false;
    bool radioLost_ = false;
    std::string radioLostText_;
    bool generatorUsed_ = false;

    std::int32_t startTick_ = 0;
    std::int32_t stepStartTick_ = 0;
    std::uint64_t startBytes_ = 0;
    std::int64_t startWaitsMs_ = 0;
    std::uint32_t startWaits_ = 0;
    std::string runsFile_;
    std::string runsFileProblem_;
    int runSlot_ = -1;  // the run's place in the runs file

    std::unique_ptr<AdjustSearch> search_;
    std::int16_t adjustStart_ = 0;  // the item's value when the adjustment began
    double adjustTarget_ = 0.0;
    std::string adjustLimits_;      // "5.5 W ± 0.1 W"
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
