#include "cli/run_command.h"

#include <QJsonDocument>
#include <cstdio>
#include <memory>

#include "cli/run_driver.h"
#include "instruments/bench_station.h"
#include "procedure/bench_binding.h"
#include "procedure/procedure_check.h"
#include "program/exit_status.h"
#include "record/run_record_file.h"
#include "record/run_record_text.h"
#include "record/verdict_words.h"
#include "safety/safety_net.h"

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

}  // namespace

bool RunCommand::Check(const CommandArgs& args, bool simulate, std::string& error) {
    const procedure::CheckedProcedure checked = CheckFile(args.procedureFile, simulate);
    if (checked.ok()) return true;
    error = MistakesText(checked);
    return false;
}

bool RunCommand::ReserveBench(const CommandArgs& args, CommandResult& result) {
    instruments::BenchStation& station = session_.benchStation();
    const procedure::CheckedProcedure checked = CheckFile(args.procedureFile, station.simulated());
    std::vector<std::string> held;
    if (checked.ok()) held = procedure::ReserveBench(checked.procedure->bench, station);
    // A file changed since it was checked is found again by the run itself.
    if (held.empty()) return true;
    station.Restore();
    std::string error = "run: nothing was opened: an instrument is in use:";
    for (const std::string& line : held) error += "\n  " + line;
    std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
    std::fflush(stderr);
    result.status = kExitFailure;
    result.json.insert(QStringLiteral("error"), Q(error));
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
    const DrivenRun run = DriveRun(
        session_, options_, technician_, *start.checked.procedure,
        procedure::RunInfo{args.technician, args.serialNumber, args.workOrder,
                           session_.benchName()},
        DriveOptions{args.answerYes, true});
    station.Release();

    const RunRecord& record = run.record;
    if (!run.finished) {
        session_.Close();
        fail(kExitFailure, "run: " + run.outOfTime + "; the port is closed");
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
    if (!run.runsFile.empty()) {
        result.json.insert(QStringLiteral("runs"), Q(run.runsFile));
        result.text += "Runs file: " + run.runsFile + "\n";
    }
    if (!run.runsFileProblem.empty()) {
        std::fprintf(stderr, "qs71dr-cli: run: the run could not be kept for the report: %s\n",
                     run.runsFileProblem.c_str());
    }
    if (session_.stopSignal() != 0) {
        result.status = ExitStatusForSignal(session_.stopSignal());
        result.json.insert(QStringLiteral("error"), Q(record.endReason));
    } else if (run.timedOut) {
        result.status = kExitFailure;
        result.json.insert(QStringLiteral("error"), Q(run.outOfTime + "; " + record.endReason));
    } else if (record.verdict != RunVerdict::Pass) {
        result.status = kExitFailure;
        result.json.insert(QStringLiteral("error"),
                           Q(record.endReason.empty() ? "a step failed" : record.endReason));
    } else {
        result.status = kExitOk;
    }
}

}  // namespace qs::cli
