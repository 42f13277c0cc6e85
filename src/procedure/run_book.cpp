#include "procedure/run_book.h"

#include "procedure/procedure_runner.h"
#include "record/curves_file.h"
#include "record/run_in_progress.h"
#include "record/run_record_file.h"
#include "safety/safety_net.h"
#include "shell/application.h"

namespace qs::procedure {

RunBook::RunBook(const Procedure& procedure, RunInfo info, std::int32_t baud) {
    record_.procedureTitle = procedure.title;
    record_.procedureRevision = procedure.revision;
    record_.procedureFile = procedure.file;
    record_.procedureChecksum = procedure.checksum;
    record_.technician = std::move(info.technician);
    record_.serialNumber = std::move(info.serialNumber);
    record_.workOrder = std::move(info.workOrder);
    record_.bench = std::move(info.bench);
    record_.pace.baud = baud;
    for (std::size_t i = 0; i < procedure.steps.size(); ++i) {
        const Step& step = procedure.steps[i];
        StepRecord row;
        row.number = static_cast<int>(i) + 1;
        row.title = StepTitle(step);
        row.kind = std::string(KindName(step.action));
        row.continueOnFail = step.continueOnFail;
        record_.steps.push_back(std::move(row));
    }
}

void RunBook::Begin(Application& app, std::int32_t tick, std::string started) {
    startTick_ = tick;
    startBytes_ = app.com().bytesReceived();
    startWaitsMs_ = app.model().afterCommandWaitsStartedMs();
    startWaits_ = app.model().afterCommandWaitsStarted();
    record_.started = std::move(started);
}

std::int64_t RunBook::ElapsedMs(std::int32_t tick) const {
    return static_cast<std::int32_t>(tick - startTick_);
}

void RunBook::Connected(Application& app, const SafetyNet& safety, bool keepsRunsFile) {
    record_.modelCode = app.radio().radioNameM();
    record_.subCode = app.radio().radionameS();
    record_.backupPath = safety.backupPath();
    record_.journalPath = safety.journalPath();
    runsFile_ = record_.backupPath.empty() || !keepsRunsFile ? std::string()
                                                             : RunsPathFor(record_.backupPath);
    Save();
}

void RunBook::BeginStep(int index, std::int32_t tick, std::string started) {
    stepStartTick_ = tick;
    current_ = index;
    StepRecord& row = Row(index);
    row.started = std::move(started);
    row.startMs = ElapsedMs(tick);
    Save();
}

void RunBook::CloseStep(int index, StepOutcome outcome, std::string message, std::int32_t tick) {
    StepRecord& row = Row(index);
    row.outcome = outcome;
    row.message = std::move(message);
    row.durationMs = static_cast<std::int32_t>(tick - stepStartTick_);
    current_ = -1;
    Save();
}

void RunBook::Close(Application& app, std::string ended, std::int32_t tick, RunVerdict verdict,
                    std::uint64_t hiddenLineBytes) {
    record_.ended = std::move(ended);
    record_.durationMs = ElapsedMs(tick);
    record_.verdict = verdict;
    record_.pace.lineBytes = app.com().bytesReceived() - startBytes_ - hiddenLineBytes;
    record_.pace.afterCommandWaitMs = app.model().afterCommandWaitsStartedMs() - startWaitsMs_;
    record_.pace.waitedCommands = app.model().afterCommandWaitsStarted() - startWaits_;
    Save();
}

void RunBook::Save() {
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

}  // namespace qs::procedure
