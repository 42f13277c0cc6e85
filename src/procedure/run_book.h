#pragma once

// The record of one run as it goes: its steps and their times, its pace, and the runs file
// beside the connection's backup, written again at every step's end so that a run cut off is
// still recorded.

#include <cstdint>
#include <string>

#include "procedure/procedure.h"
#include "record/run_record.h"

namespace qs {
class Application;
class SafetyNet;
}  // namespace qs

namespace qs::procedure {

struct RunInfo;

class RunBook {
public:
    RunBook(const Procedure& procedure, RunInfo info, std::int32_t baud);

    RunRecord& record() { return record_; }
    const RunRecord& record() const { return record_; }

    // The run's start: the time and the core's counters its pace is measured from.
    void Begin(Application& app, std::int32_t tick, std::string started);
    std::int64_t ElapsedMs(std::int32_t tick) const;
    // The connection is made: the radio's codes and its files, and the runs file beside them
    // when the run keeps one.
    // Written to the runs file in progress before anything is sent: a program killed from here
    // on is found at the next start.
    void Connected(Application& app, const SafetyNet& safety, bool keepsRunsFile);

    StepRecord& Row(int index) { return record_.steps[static_cast<std::size_t>(index)]; }
    // Written to the runs file as it would be left if the program ended now (in progress).
    void BeginStep(int index, std::int32_t tick, std::string started);
    // The step's end, written to the runs file.
    void CloseStep(int index, StepOutcome outcome, std::string message, std::int32_t tick);

    // The run's end: its times, verdict and pace (less the line bytes the radio watch hid in
    // waits on something else), written to the runs file.
    void Close(Application& app, std::string ended, std::int32_t tick, RunVerdict verdict,
               std::uint64_t hiddenLineBytes);

    const std::string& runsFile() const { return runsFile_; }
    const std::string& runsFileProblem() const { return runsFileProblem_; }

private:
    void Save();

    RunRecord record_;
    std::string runsFile_;
    std::string runsFileProblem_;
    int runSlot_ = -1;  // the run's place in the runs file
    int current_ = -1;  // the step under way, for a record kept in progress
    std::int32_t startTick_ = 0;
    std::int32_t stepStartTick_ = 0;
    std::uint64_t startBytes_ = 0;
    std::int64_t startWaitsMs_ = 0;
    std::uint32_t startWaits_ = 0;
};

}  // namespace qs::procedure
