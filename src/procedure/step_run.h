#pragma once

// One step of a run as it is carried out: one small class per step kind, each with its start
// and its teardown, all run by the one executor (ProcedureRunner) through StepHost.
//
//   std::unique_ptr<StepRun> run = MakeStepRun(step.action);
//   run->Start(host);                         // ends with host.End(...), now or later
//   ... on any end but a pass: run->Teardown(host, done) puts back what the step changed
//
// A step never waits: it asks the host to call it back (the radio settled, an instrument's
// answer, the technician's, a time), and the host looks at Stop, the radio link, the journal
// and the deadline at every such resume. A step may be ended at any resume, and its teardown
// then runs whatever the step was doing.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "procedure/procedure.h"
#include "procedure/technician.h"
#include "record/run_record.h"

namespace qs {
class Application;
}

namespace qs::procedure {

// What the executor offers the step under way.
class StepHost {
public:
    using Then = std::function<void()>;

    virtual Application& app() = 0;
    // The radio does not answer, or the journal cannot be written: nothing more may be sent.
    virtual bool radioLost() const = 0;
    virtual AnsweredBy answeredBy() const = 0;

    // Waiting: each calls `then` once at a safe point, unless the step is ended first.
    virtual void AwaitRadio(std::function<bool()> ready, Then then) = 0;
    // The model settled and its last frame has left the port: the radio has heard it.
    virtual void AwaitSettled(Then then) = 0;
    virtual void AwaitDelay(std::int32_t milliseconds, Then then) = 0;
    virtual void Ask(Question::Kind kind, const std::string& text,
                     std::function<void(Answer)> then) = 0;

    // The radio, through the core.
    // One reading exchange as F5 (Reload) sends it: read-only, every row of both lists.
    virtual void SendReload() = 0;
    // A reading taken after everything sent so far, then `then`: what was sent is then known
    // to be on the radio (an adjustment command awaits no answer). A radio that does not
    // answer ends the step instead.
    virtual void AwaitConfirmed(Then then) = 0;
    // Enter on the item's row; `then` once the operation it started has ended.
    virtual void PressEnterAndAwaitEnd(std::int16_t item, Then then) = 0;
    // Stops a running automatic operation, then `then` once the radio has settled.
    virtual void StopOperationThen(Then then) = 0;

    // The bench. Frequency, level and RF, each only when given, in that order; a refusal ends
    // the step in an error.
    virtual void SetGenerator(std::optional<double> hz, std::optional<double> dbm,
                              std::optional<bool> rfOn, Then then) = 0;
    // The generator's RF off; `then` with words for the record.
    virtual void SwitchRfOff(std::function<void(std::string note)> then) = 0;
    virtual bool HasGenerator() const = 0;
    // One reading of the meter; `failed` gets the instrument's message.
    virtual void Measure(Quantity quantity, std::function<void(double value)> then,
                         std::function<void(const std::string& message)> failed) = 0;
    // The test channel's frequencies as CH No. selects it now. When a frequency the step needs
    // is inhibited on that channel, nothing: the step has failed, saying so.
    virtual std::optional<ChannelFrequencies> TestChannel(
        std::initializer_list<Nominal::Source> needed) = 0;

    // The record.
    virtual StepRecord& Row() = 0;
    virtual void AddValue(SeenValue value) = 0;
    virtual void AddItemValue(std::int16_t item) = 0;
    virtual std::string ItemName(std::int16_t item) const = 0;

    // The step's end: a pass closes it; any other end runs its teardown first.
    virtual void End(StepOutcome outcome, std::string message) = 0;
    // Records the value judged and ends the step: pass within the limits, fail outside.
    virtual void Judge(SeenValue measured, const StepLimits& limits) = 0;

protected:
    ~StepHost() = default;
};

class StepRun {
public:
    virtual ~StepRun() = default;
    virtual void Start(StepHost& host) = 0;
    // Leaves the radio and the bench as the step found them, on any end but a pass, and calls
    // `done` with words for the record ("the sweep was stopped"), empty for none. What the
    // radio then holds of what the step sent is said by the executor, from what the radio
    // confirmed.
    virtual void Teardown(StepHost& host, std::function<void(std::string note)> done) {
        (void)host;
        done(std::string());
    }
};

// The step's kind as a class, each defined beside its own work.
std::unique_ptr<StepRun> MakeRun(const PromptStep& step);
std::unique_ptr<StepRun> MakeRun(const ConfirmStep& step);
std::unique_ptr<StepRun> MakeRun(const WaitStep& step);
std::unique_ptr<StepRun> MakeRun(const GeneratorStep& step);
std::unique_ptr<StepRun> MakeRun(const MeasureStep& step);
std::unique_ptr<StepRun> MakeRun(const SetStep& step);
std::unique_ptr<StepRun> MakeRun(const SweepStep& step);
std::unique_ptr<StepRun> MakeRun(const LevelStep& step);
std::unique_ptr<StepRun> MakeRun(const CheckStep& step);
std::unique_ptr<StepRun> MakeRun(const RssiStep& step);
std::unique_ptr<StepRun> MakeRun(const AdjustStep& step);

std::unique_ptr<StepRun> MakeStepRun(const StepAction& action);

}  // namespace qs::procedure
