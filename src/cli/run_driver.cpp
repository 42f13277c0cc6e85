#include "cli/run_driver.h"

#include <cstdio>
#include <memory>

#include "cli/terminal_technician.h"
#include "model/reading_text.h"
#include "record/step_summary.h"
#include "record/verdict_words.h"
#include "station/radio_station.h"

namespace qs::cli {

namespace {

// What the technician sees as the run goes, on standard error (standard output keeps the
// record).
void ShowProgress(const procedure::ProcedureRunner& runner, const procedure::RunNotice& notice) {
    if (notice.step < 0) return;
    const StepRecord& step = runner.record().steps[static_cast<std::size_t>(notice.step)];
    const int count = static_cast<int>(runner.record().steps.size());
    if (notice.kind == procedure::RunNotice::Kind::StepStarted) {
        // A question says its own step and text when it is asked.
        if (step.kind == "prompt" || step.kind == "confirm") return;
        std::fprintf(stderr, "qs71dr-cli: step %d/%d: %s\n", step.number, count,
                     step.title.c_str());
    } else if (notice.kind == procedure::RunNotice::Kind::StepEnded) {
        std::string line = "  " + StepOutcomeLabel(step.outcome);
        if (step.measured) line += ": " + SpacedUnits(step.measured->text);
        if (step.limits) line += " (limits " + step.limits->text + ")";
        // In the words of the report and the run window.
        const std::string what = StepWhatItDid(step);
        if (!what.empty()) line += "; " + what;
        std::fprintf(stderr, "%s\n", line.c_str());
    } else {
        return;
    }
    std::fflush(stderr);
}

}  // namespace

DrivenRun DriveRun(CliSession& session, const CliOptions& options,
                   std::shared_ptr<TerminalTechnician> technician,
                   const procedure::Procedure& procedure, procedure::RunInfo info,
                   const DriveOptions& drive) {
    RadioStation& station = session.station();
    TerminalTechnician& terminal = *technician;
    terminal.setAnswering(drive.answerYes ? TerminalTechnician::Answering::AllYes
                                          : TerminalTechnician::Answering::AtTerminal);
    terminal.setInputEnded([&station] {
        std::fputs("qs71dr-cli: standard input ended with a prompt open; the run stops "
                   "(--yes answers the prompts)\n",
                   stderr);
        station.Stop(procedure::StopCause::InputEnded);
    });
    RadioStation::RunOptions runOptions;
    runOptions.guard = options.noBackup ? procedure::ChangeGuard::WithoutRecords
                                        : procedure::ChangeGuard::RecordsFirst;
    runOptions.procedureRun = drive.procedureRun;
    const std::shared_ptr<procedure::ProcedureRunner> runner =
        station.Begin(procedure, std::move(info), technician, runOptions);
    DrivenRun run;
    run.outOfTime = "no end within " + std::to_string(session.timeoutSeconds()) + " s (--timeout)";
    if (!runner) {
        terminal.setInputEnded(nullptr);
        return run;
    }
    const int watch = station.Watch([&](const procedure::RunNotice& notice) {
        if (drive.procedureRun) ShowProgress(*runner, notice);
        if (runner->finished()) session.Wake();
    });
    const auto done = [&] { return runner->finished(); };
    const auto onSignal = [&] {
        std::fputs("\nqs71dr-cli: stopping at the next safe point...\n", stderr);
        std::fflush(stderr);
        runner->Stop(session.outputLost() ? procedure::StopCause::OutputLost
                                          : procedure::StopCause::Signal);
    };
    if (session.RunToEnd(done, onSignal) == CliSession::Outcome::TimedOut && !done()) {
        // Out of time: the run still ends as a Stop ends it (generator off, item put back),
        // with the same time again for that.
        run.timedOut = true;
        std::fprintf(stderr, "qs71dr-cli: %s; stopping at the next safe point...\n",
                     run.outOfTime.c_str());
        std::fflush(stderr);
        runner->Stop(procedure::StopCause::TimeOut);
        session.StartCommandClock();
        session.RunToEnd(done, onSignal);
    }
    station.Unwatch(watch);
    terminal.setInputEnded(nullptr);
    run.finished = runner->finished();
    run.record = runner->record();
    if (run.finished && runner->runsFileProblem().empty()) run.runsFile = runner->runsFile();
    run.runsFileProblem = runner->runsFileProblem();
    return run;
}

}  // namespace qs::cli
