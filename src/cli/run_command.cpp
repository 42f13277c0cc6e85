#include "cli/run_command.h"

#include <QJsonDocument>
#include <cstdio>
#include <memory>

#include "cli/run_driver.h"
#include "procedure/bench_binding.h"
#include "procedure/procedure_check.h"
#include "program/exit_status.h"
#include "record/run_record_file.h"
#include "record/run_record_text.h"
#include "record/verdict_words.h"
#include "safety/safety_net.h"
#include "station/radio_station.h"

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

void Fail(CommandResult& result, int status, const std::string& error) {
    std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
    std::fflush(stderr);
    result.status = status;
    result.json.insert(QStringLiteral("error"), Q(error));
}

void Warn(const std::string& text) {
    std::fprintf(stderr, "qs71dr-cli: run: %s\n", text.c_str());
}

}  // namespace

bool RunCommand::Check(const CommandArgs& args, bool simulate, std::string& error) {
    const procedure::CheckedProcedure checked = CheckFile(args.procedureFile, simulate);
    if (checked.ok()) return true;
    error = MistakesText(checked);
    return false;
}

bool RunCommand::Prepare(const CommandArgs& args, CommandResult& result) {
    // Checked again (the file may have changed since), the bench bound and held, before the
    // port opens: the run connects on its own.
    start_ = session_.station().Prepare(args.procedureFile);
    if (!start_.checked.ok()) {
        Fail(result, kExitUsage, MistakesText(start_.checked));
        return false;
    }
    if (!start_.benchProblems.empty()) {
        std::string text = "run: the bench could not be set up:";
        for (const std::string& p : start_.benchProblems) text += "\n  " + p;
        Fail(result, kExitFailure, text);
        return false;
    }
    if (start_.calibrationRefused) {
        std::string text =
            "run: the bench settings refuse instruments whose calibration is not current "
            "(calibration_check=refuse); nothing was started:";
        for (const std::string& w : start_.calibrationWarnings) text += "\n  " + w;
        Fail(result, kExitUsage, text);
        return false;
    }
    // Said before the run, where a script's log keeps it; the record itself says it too.
    if (args.serialNumber.empty()) Warn("no --serial: the record will have no serial number");
    if (args.technician.empty()) Warn("no --technician: the record will name no technician");
    for (const std::string& warning : start_.calibrationWarnings) Warn(warning);
    std::fflush(stderr);
    return true;
}

void RunCommand::Run(const CommandArgs& args, CommandResult& result) {
    const DrivenRun run = DriveRun(
        session_, options_, technician_, *start_.checked.procedure,
        procedure::RunInfo{args.technician, args.serialNumber, args.workOrder,
                           session_.benchName()},
        DriveOptions{args.answerYes, true});

    const RunRecord& record = run.record;
    if (!run.finished) {
        session_.Close();
        Fail(result, kExitFailure, "run: " + run.outOfTime + "; the port is closed");
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
        std::string why = record.endReason.empty() ? "a step failed" : record.endReason;
        if (why.rfind("nothing was sent to the radio: ", 0) == 0) {
            why += " (--no-backup changes the radio without them)";
            std::fprintf(stderr, "qs71dr-cli: run: %s\n", why.c_str());
        }
        result.json.insert(QStringLiteral("error"), Q(why));
    } else {
        result.status = kExitOk;
    }
}

}  // namespace qs::cli
