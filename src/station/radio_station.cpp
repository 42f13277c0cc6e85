#include "station/radio_station.h"

#include <vector>

#include "instruments/bench_station.h"
#include "safety/wall_clock.h"
#include "shell/application.h"
#include "shell/dialog_hold.h"
#include "platform/process_locks.h"
#include "station/held_messages.h"

namespace qs {

RadioStation::RadioStation(StationParts parts) : parts_(parts) {}

RadioStation::~RadioStation() {
    // A run cut off by the program's end gives everything back.
    if (!ended_) Ended();
}

procedure::RunStart RadioStation::Prepare(const std::string& file) {
    if (runUnderWay()) {
        procedure::RunStart refused;
        refused.checked = procedure::CheckProcedureFile(
            file, procedure::ProgramCheckOptions(parts_.bench.simulated()
                                                     ? procedure::BenchBinding::Simulated
                                                     : procedure::BenchBinding::AsWritten));
        refused.benchProblems.push_back("another procedure run is using the radio and the bench");
        return refused;
    }
    // Calibration is judged on today's date, as the technician's calendar has it.
    procedure::RunStart start = procedure::PrepareRun(
        file, parts_.bench, DateTimeText(parts_.wallClock.Now()).substr(0, 10));
    benchHeld_ = start.ok();
    return start;
}

std::shared_ptr<procedure::ProcedureRunner> RadioStation::Begin(
    procedure::Procedure procedure, procedure::RunInfo info,
    std::shared_ptr<procedure::ITechnician> technician, RunOptions options) {
    if (runUnderWay() || !technician) return nullptr;
    // The last run goes only now, outside its own notifications, and its technician after it.
    run_.reset();
    technician_ = std::move(technician);
    procedure::RunnerParts parts{parts_.app,     parts_.safety, parts_.bench.bench(),
                                 parts_.runTimer, parts_.clock,  parts_.wallClock,
                                 *technician_,    options.guard};
    parts.keepsRunsFile = options.procedureRun;
    run_ = std::make_shared<procedure::ProcedureRunner>(parts, std::move(procedure), std::move(info));
    if (options.procedureRun && makeRecorder_) run_->setObserver(makeRecorder_());
    run_->setChanged([this](const procedure::RunNotice& notice) { OnNotice(notice); });
    ended_ = false;
    parts_.app.main().setInputHeld(kHeldReason);
    // No dialog holds the run up: its timer, the heartbeat and the port go on under any, and
    // the core's messages wait for its end.
    SetDialogsHoldHeartbeat(false);
    if (parts_.messages != nullptr) parts_.messages->Hold(true);
    run_->Start();
    return run_;
}

void RadioStation::Stop(procedure::StopCause cause) {
    if (run_) run_->Stop(cause);
}

bool RadioStation::runUnderWay() const {
    return !ended_;
}

bool RadioStation::Settled() const {
    return parts_.app.model().Settled() && parts_.app.com().LineBusyMs() == 0;
}

int RadioStation::Watch(std::function<void(const procedure::RunNotice&)> watcher) {
    const int id = nextWatcher_++;
    watchers_[id] = std::move(watcher);
    return id;
}

void RadioStation::Unwatch(int id) {
    watchers_.erase(id);
}

void RadioStation::OnNotice(const procedure::RunNotice& notice) {
    // Once the run has its connection (and has marked itself in progress beside its backup),
    // the lock says a program is carrying it out.
    if (run_ && !runLocked_ && parts_.runLocks != nullptr && !run_->record().backupPath.empty()) {
        std::string holder;
        runLocked_ = true;
        parts_.runLocks->TryLock(run_->record().backupPath, holder);
    }
    // The radio and the bench are free again before anyone hears of the end.
    if (run_ && run_->finished() && !ended_) Ended();
    // A watcher may unwatch (itself or another) while it is told.
    std::vector<int> ids;
    for (const auto& [id, watcher] : watchers_) ids.push_back(id);
    for (const int id : ids) {
        const auto it = watchers_.find(id);
        if (it != watchers_.end()) it->second(notice);
    }
}

void RadioStation::Ended() {
    ended_ = true;
    SetDialogsHoldHeartbeat(true);
    if (parts_.messages != nullptr) parts_.messages->Hold(false);
    if (runLocked_ && parts_.runLocks != nullptr) parts_.runLocks->UnlockAll();
    runLocked_ = false;
    parts_.app.main().setInputHeld("");
    if (benchHeld_) {
        benchHeld_ = false;
        parts_.bench.Release();
    }
}

}  // namespace qs
