#pragma once

// The radio, its bench and the procedure run of one connection, with one owner. While a run is
// under way it alone drives the radio: the technician's keys, buttons and port menus are held
// (with the reason, for the front end to show), the bench is held, and the front end's message
// box waits for the run's end instead of holding it up. The run's life cycle is written here
// once for both front ends:
//
//   RadioStation station({app, safety, benchStation, runTimer, clock, wallClock});
//   procedure::RunStart start = station.Prepare(file);  // checked, bench bound and held
//   if (!start.ok()) ... say its mistakes or bench problems; nothing is held ...
//   station.Begin(*start.checked.procedure, info, technician, {});   // connects, runs
//   station.Stop(procedure::StopCause::Technician);
//   ... on the run's last notice the bench is given back and the radio is free again ...
//
// A procedure made in code (the command line's one-step commands) skips Prepare: it names no
// bench.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "procedure/bench_binding.h"
#include "procedure/procedure_runner.h"

namespace qs {

class Application;
class HeldMessages;
class IProcessLocks;
class ITickSource;
class ITimer;
class IWallClock;
class SafetyNet;

namespace instruments {
class BenchStation;
}

struct StationParts {
    Application& app;
    SafetyNet& safety;
    instruments::BenchStation& bench;
    ITimer& runTimer;  // the runs' alone
    const ITickSource& clock;
    const IWallClock& wallClock;
    // The core's message box, when the front end's waits for a hand (the desktop's): held
    // while a run is under way. Null: the messages go as they come (the command line's).
    HeldMessages* messages = nullptr;
    // Held, by the backup's path, while a run of that connection goes on: another program's
    // start then knows the run marked in progress is not one a program ended during. Null:
    // none (one program at a time).
    IProcessLocks* runLocks = nullptr;
};

class RadioStation {
public:
    // What the technician is told of the controls held while a run drives the radio.
    static constexpr const char* kHeldReason = "a procedure run is using the radio";

    explicit RadioStation(StationParts parts);
    ~RadioStation();
    RadioStation(const RadioStation&) = delete;
    RadioStation& operator=(const RadioStation&) = delete;

    // The file checked as this program checks it, the roles it names bound and the bench held
    // for the run. Nothing is held when the file has mistakes or the bench could not be set up.
    procedure::RunStart Prepare(const std::string& file);

    struct RunOptions {
        procedure::ChangeGuard guard = procedure::ChangeGuard::RecordsFirst;
        // A procedure of its own: kept in the runs file and the service records. A one-step
        // command is journalled only.
        bool procedureRun = true;
    };
    // The run of `procedure` begins: the radio is the run's until its end. Refused (null) while
    // another run is under way.
    // The station keeps the technician as long as the run: a front end's window may go first.
    std::shared_ptr<procedure::ProcedureRunner> Begin(
        procedure::Procedure procedure, procedure::RunInfo info,
        std::shared_ptr<procedure::ITechnician> technician, RunOptions options);
    void Stop(procedure::StopCause cause);

    bool runUnderWay() const;
    // The run under way, or the last one; null before the first.
    std::shared_ptr<procedure::ProcedureRunner> run() const { return run_; }
    // Why the technician cannot drive the radio now; empty when they can.
    std::string heldBy() const { return runUnderWay() ? kHeldReason : std::string(); }

    // The core settled and its last frame out of the port: what a driver waits for after it
    // set something.
    bool Settled() const;

    // Told of every notice of every run, after the runner's own listener: a run's first
    // notice (Connecting) and its last (Finished) are its start and its end.
    int Watch(std::function<void(const procedure::RunNotice&)> watcher);
    void Unwatch(int id);
    // Made anew for each procedure run: how it reaches the service records.
    void setRecorder(std::function<procedure::RunObserver()> makeRecorder) {
        makeRecorder_ = std::move(makeRecorder);
    }

private:
    void OnNotice(const procedure::RunNotice& notice);
    void Ended();

    StationParts parts_;
    // Declared first, so that it outlives the run that asks it.
    std::shared_ptr<procedure::ITechnician> technician_;
    std::shared_ptr<procedure::ProcedureRunner> run_;
    bool benchHeld_ = false;
    bool ended_ = true;
    bool runLocked_ = false;
    std::map<int, std::function<void(const procedure::RunNotice&)>> watchers_;
    int nextWatcher_ = 1;
    std::function<procedure::RunObserver()> makeRecorder_;
};

}  // namespace qs
