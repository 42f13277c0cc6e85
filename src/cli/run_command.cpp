#include "cli/run_command.h"

#include <QJsonDocument>
#include <cstdio>
#include <memory>

#include "cli/terminal_technician.h"
#include "procedure/bench_binding.h"
#include "procedure/procedure_check.h"
#include "procedure/procedure_runner.h"
#include "program/exit_status.h"
#include "qtcore/qt_timer.h"
#include "record/run_record_file.h"
#include "record/run_record_text.h"
#include "record/verdict_words.h"
#include "safety/safety_net.h"
#include "safety/wall_clock.h"

namespace qs::cli {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

procedure::CheckedProcedure CheckFile(const std::string& file, bool simulate) {
    return procedure::CheckProcedureFile(
        file, procedure::ProgramCheckOptions(simulate ? procedure::BenchBinding::Simulated
                                                      : procedure::BenchBinding::AsWritten));
}

std::string MistakesText(const procedure::CheckedProcedure& checked) {
    std::string text = "run: the procedure file has mistakes; nothing was opened:";
    for (const procedure::Diagnostic& d : checked.diagnostics) {
        text += "\n  " + procedure::DiagnosticText(d);
    }
    return text;
}

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
        if (step.measured) line += ": " + step.measured->text;
        if (step.limits) line += " (limits " + step.limits->text + ")";
        if (!step.message.empty()) line += "; " + step.message;
        std::fprintf(stderr, "%s\n", line.c_str());
    } else {
        return;
    }
    std::fflush(stderr);
}

}  // namespace

bool RunCommand::Check(const CommandArgs& args, bool simulate, std::string& error) {
    const procedure::CheckedProcedure checked = CheckFile(args.procedureFile, simulate);
    if (checked.ok()) return true;
    error = MistakesText(checked);
    return false;
}

void RunCommand::Run(const CommandArgs& args, CommandResult& result) {
    const auto fail = [&result](int status, const std::string& error) {
        std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
        std::fflush(stderr);
        result.status = status;
        result.json.insert(QStringLiteral("error"), Q(error));
    };
    // Checked again: the file may have changed while the radio was read.
    instruments::BenchStation& station = session_.benchStation();
    const procedure::RunStart start = procedure::PrepareRun(args.procedureFile, station);
    if (!start.checked.ok()) {
        fail(kExitUsage, MistakesText(start.checked));
        return;
    }
    if (!start.benchProblems.empty()) {
        std::string text = "run: the bench could not be set up:";
        for (const std::string& p : start.benchProblems) text += "\n  " + p;
        fail(kExitFailure, text);
        return;
    }
    const procedure::Procedure& toRun = *start.checked.procedure;

    qt::QtTimer timer;
    qt::SystemTickSource clock;
    SystemWallClock wallClock;
    std::unique_ptr<procedure::ProcedureRunner> runner;
    TerminalTechnician technician(
        args.answerYes ? TerminalTechnician::Answering::AllYes
                       : TerminalTechnician::Answering::AtTerminal,
        [&] {
            std::fputs("qs71dr-cli: standard input ended with a prompt open; the run stops "
                       "(--yes answers the prompts)\n",
                       stderr);
            runner->Stop();
        });
    runner = std::make_unique<procedure::ProcedureRunner>(
        procedure::RunnerParts{session_.app(), session_.safety(), station.bench(), timer, clock,
                               wallClock, technician,
                               options_.noBackup ? procedure::ChangeGuard::WithoutRecords
                                                 : procedure::ChangeGuard::RecordsFirst},
        toRun,
        procedure::RunInfo{args.technician, args.serialNumber, args.workOrder,
                           session_.benchName()});
    runner->setObserver(session_.RunRecorder());
    runner->setChanged([&](const procedure::RunNotice& notice) {
        ShowProgress(*runner, notice);
        if (runner->finished()) session_.Wake();
    });
    runner->Start();
    const auto done = [&] { return runner->finished(); };
    const auto onSignal = [&] {
        std::fputs("\nqs71dr-cli: stopping at the next safe point...\n", stderr);
        std::fflush(stderr);
        runner->Stop(procedure::StopCause::Signal);
    };
    const std::string outOfTime =
        "no end within " + std::to_string(session_.timeoutSeconds()) + " s (--timeout)";
    bool timedOut = false;
    if (session_.RunToEnd(done, onSignal) == CliSession::Outcome::TimedOut && !done()) {
        // Out of time: the run still ends as a Stop ends it (generator off, item put back),
        // with the same time again for that.
        timedOut = true;
        std::fprintf(stderr, "qs71dr-cli: run: %s; stopping at the next safe point...\n",
                     outOfTime.c_str());
        std::fflush(stderr);
        runner->Stop(procedure::StopCause::TimeOut);
        session_.StartCommandClock();
        session_.RunToEnd(done, onSignal);
    }
    station.Release();

    const RunRecord& record = runner->record();
    if (!runner->finished()) {
        session_.Close();
        fail(kExitFailure, "run: " + outOfTime + "; the port is closed");
        return;
    }
    result.text = RunRecordText(record);
    result.json.insert(QStringLiteral("verdict"), QString::fromLatin1(VerdictWord(record.verdict)));
    result.json.insert(
        QStringLiteral("run"),
        QJsonDocument::fromJson(QByteArray::fromStdString(RunRecordJson(record))).object());
    // Only files that hold the whole run are named: a journal that failed on the way, or a
    // runs file that could not be written, is said on standard error instead.
    if (!record.journalPath.empty() && session_.safety().recordsWritten()) {
        result.text += "Journal: " + record.journalPath + "\n";
    }
    if (!runner->runsFile().empty() && runner->runsFileProblem().empty()) {
        result.json.insert(QStringLiteral("runs"), Q(runner->runsFile()));
        result.text += "Runs file: " + runner->runsFile() + "\n";
    }
    if (!runner->runsFileProblem().empty()) {
        std::fprintf(stderr, "qs71dr-cli: run: the run could not be kept for the report: %s\n",
                     runner->runsFileProblem().c_str());
    }
    if (session_.stopSignal() != 0) {
        result.status = ExitStatusForSignal(session_.stopSignal());
        result.json.insert(QStringLiteral("error"), Q(record.endReason));
    } else if (timedOut) {
        result.status = kExitFailure;
        result.json.insert(QStringLiteral("error"), Q(outOfTime + "; " + record.endReason));
    } else if (record.verdict != RunVerdict::Pass) {
        result.status = kExitFailure;
        result.json.insert(QStringLiteral("error"),
                           Q(record.endReason.empty() ? "a step failed" : record.endReason));
    } else {
        result.status = kExitOk;
    }
}

}  // namespace qs::cli
