#include "cli/command_runner.h"

#include "cli/run_command.h"
#include "cli/run_driver.h"

#include <QJsonValue>
#include <csignal>
#include <cstdio>

#include "console/console.h"
#include "link/clone_sequence.h"
#include "link/eeprom.h"
#include "link/serial_service.h"
#include "model/auto_op_rows.h"
#include "model/reading_text.h"
#include "program/exit_status.h"
#include "safety/safety_net.h"
#include "shell/application.h"
#include "shell/atomic_file.h"

namespace qs::cli {

namespace {


QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string TitleText(const std::string& title) {
    return title.substr(std::min(title.find_first_not_of(' '), title.size()));
}

// A message of several lines as one, for the one-line error of a command.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r') continue;
        line += c == '\n' ? ' ' : c;
    }
    return line;
}

std::string SignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "Ctrl-C (SIGINT)";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

QJsonArray ReadingArray(const clsIndOp_RigK52T& model, ReadingGroup group, int rows,
                        std::string& text) {
    QJsonArray array;
    for (int i = 0; i < rows; ++i) {
        const std::int16_t raw = model.lastReading(group, i);
        if (raw < 0) continue;
        const std::optional<ReadingValue> reading = ReadingValueOf(group, i, raw);
        if (!reading) continue;
        char line[96];
        std::snprintf(line, sizeof line, "%-8s %3d  %s\n", reading->name.c_str(), reading->raw,
                      reading->text.c_str());
        text += line;
        array.append(QJsonObject{
            {QStringLiteral("label"), Q(reading->name)},
            {QStringLiteral("raw"), reading->raw},
            {QStringLiteral("value"), reading->value ? QJsonValue(*reading->value) : QJsonValue()},
            {QStringLiteral("unit"), Q(reading->unit)},
            {QStringLiteral("converted"), Q(reading->text)}});
    }
    return array;
}

}  // namespace

CommandRunner::CommandRunner(CliSession& session, const CliOptions& options)
    : session_(session),
      options_(options),
      technician_(TerminalTechnician::Answering::AtTerminal, nullptr) {}

bool CommandRunner::CheckFiles(const CommandArgs& args, std::string& error) {
    if (args.command != Command::Read || args.imageFile.empty()) return true;
    if (CheckFileCanBeWritten(args.imageFile, error)) return true;
    error = "read --image " + error;
    return false;
}

bool CommandRunner::CheckArguments(const CommandArgs& args, std::string& error) {
    if (args.command != Command::Set) return true;
    const SettingsCheck check = CheckSettings(session_.app().console(), args.settings,
                                              session_.app().model().chItem(), false);
    error = check.error;
    return error.empty();
}

CommandResult CommandRunner::Run(const CommandArgs& args) {
    using Member = CommandResult (CommandRunner::*)(const CommandArgs&);
    struct Row {
        Command command;
        Member run;
    };
    static constexpr Row kRuns[] = {
        {Command::Identify, &CommandRunner::Identify}, {Command::Read, &CommandRunner::Read},
        {Command::Params, &CommandRunner::Params},     {Command::Readings, &CommandRunner::Readings},
        {Command::Set, &CommandRunner::Set},           {Command::Sweep, &CommandRunner::Sweep},
        {Command::Level, &CommandRunner::Level},       {Command::Rssi, &CommandRunner::Rssi},
        {Command::Bench, &CommandRunner::Bench},       {Command::Run, &CommandRunner::RunProcedure},
    };
    session_.StartCommandClock();
    CommandResult result;
    result.status = kExitUsage;
    for (const Row& row : kRuns) {
        if (row.command == args.command) result = (this->*row.run)(args);
    }
    QJsonObject json{{QStringLiteral("command"), Q(CommandName(args.command))}};
    if (args.line > 0) json.insert(QStringLiteral("line"), args.line);
    for (auto it = result.json.begin(); it != result.json.end(); ++it)
        json.insert(it.key(), it.value());
    json.insert(QStringLiteral("ok"), result.status == kExitOk);
    // The radio's side, where the command or an earlier one of the session touched it.
    if (args.command != Command::Bench) json.insert(QStringLiteral("device"), Q(session_.device()));
    if (session_.started()) {
        const SafetyNet& safety = session_.safety();
        if (!safety.backupPath().empty()) {
            json.insert(QStringLiteral("backup"), Q(safety.backupPath()));
        }
        if (!safety.journalPath().empty()) {
            json.insert(QStringLiteral("journal"), Q(safety.journalPath()));
        }
    }
    // The messages of this command: the earlier ones went with the earlier documents.
    QJsonArray messages;
    const std::vector<std::string>& shown = session_.messages().messages();
    for (std::size_t i = messagesShown_; i < shown.size(); ++i)
        messages.append(Q(shown[i]));
    messagesShown_ = shown.size();
    if (!messages.isEmpty()) json.insert(QStringLiteral("messages"), messages);
    result.json = json;
    return result;
}

void CommandRunner::Fail(CommandResult& result, int status, const std::string& error) {
    std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
    std::fflush(stderr);
    result.status = status;
    result.json.insert(QStringLiteral("error"), Q(error));
}

void CommandRunner::Stopped(CliSession::Outcome outcome, CommandResult& result) {
    switch (outcome) {
        case CliSession::Outcome::Done:
            return;
        case CliSession::Outcome::Failed: {
            // The core's message is on standard error already.
            const std::vector<std::string>& shown = session_.messages().messages();
            result.status = kExitFailure;
            result.json.insert(QStringLiteral("error"),
                               Q(shown.empty() ? "the radio link failed" : shown.back()));
            return;
        }
        case CliSession::Outcome::TimedOut: {
            const bool radio = session_.started();
            session_.Close();
            Fail(result, kExitFailure,
                 "no end within " + std::to_string(session_.timeoutSeconds()) + " s (--timeout)" +
                     (radio ? "; the port is closed" : ""));
            return;
        }
        case CliSession::Outcome::Interrupted: {
            const bool radio = session_.started();
            session_.Close();
            const bool journal = radio && !session_.safety().journalPath().empty();
            Fail(result, ExitStatusForSignal(session_.stopSignal()),
                 "stopped by " + SignalName(session_.stopSignal()) +
                     (radio ? "; the port is closed" : "") +
                     (journal ? " and the journal is complete" : ""));
            return;
        }
    }
}

bool CommandRunner::Connect(CommandResult& result) {
    const CliSession::Outcome outcome = session_.Connect();
    Stopped(outcome, result);
    return outcome == CliSession::Outcome::Done;
}

bool CommandRunner::BeginAdjustment(const CommandArgs& args, CommandResult& result) {
    if (session_.link() == CliSession::Link::Adjusting) return true;
    const SafetyNet& safety = session_.safety();
    if (!safety.recordsWritten() && !options_.noBackup) {
        const std::string why = safety.problem().empty()
                                    ? "the backup and journal of this connection were not written"
                                    : OneLine(safety.problem());
        Fail(result, kExitFailure,
             CommandName(args.command) + ": nothing was sent to the radio: " + why +
                 " (--no-backup changes the radio without them)");
        return false;
    }
    const CliSession::Outcome outcome = session_.BeginAdjustment();
    Stopped(outcome, result);
    return outcome == CliSession::Outcome::Done;
}

bool CommandRunner::Finish(CommandResult& result) {
    const CliSession::Outcome outcome = session_.RunUntil([this] { return session_.Idle(); });
    Stopped(outcome, result);
    return outcome == CliSession::Outcome::Done;
}

void CommandRunner::CheckJournal(const CommandArgs& args, CommandResult& result) {
    if (options_.noBackup || session_.safety().recordsWritten()) return;
    Fail(result, kExitFailure,
         CommandName(args.command) + ": " + OneLine(session_.safety().problem()) +
             "; what was sent is on the radio, not all of it in the journal");
}

void CommandRunner::AddItem(QJsonArray& items, std::string& text, std::int16_t item) {
    const clsConsole& console = session_.app().console();
    const std::string title = TitleText(console.Title(item));
    text += title + " = " + std::to_string(console.Value(item)) + "\n";
    items.append(QJsonObject{{QStringLiteral("item"), Q(title)},
                             {QStringLiteral("value"), console.Value(item)}});
}

CommandResult CommandRunner::Identify(const CommandArgs&) {
    CommandResult result;
    Application& app = session_.app();
    const clsCmcKel3Drv& driver = app.com().kel3D();
    const CliSession::Outcome outcome = session_.Identify();
    // A radio the model refuses still answered: its codes are what the technician asked for.
    const std::int16_t error = app.sequence().error();
    const bool refused = error == clsCmcKel3Sequence::kErrModelCode ||
                         error == clsCmcKel3Sequence::kErrSubCode ||
                         error == clsCmcKel3Sequence::kErrFormat;
    const bool answered = !driver.ansInfo().empty() && driver.lastError() == clsCmcKel3Drv::kErrNone;
    if (outcome != CliSession::Outcome::Done &&
        !(outcome == CliSession::Outcome::Failed && refused && answered)) {
        Stopped(outcome, result);
        return result;
    }
    const bool accepted = outcome == CliSession::Outcome::Done;
    const std::string model = app.sequence().ansNameM();
    const std::string sub = app.sequence().ansNameS();
    result.text = "Model code: " + model + "\nSub code: " + sub +
                  "\nAccepted: " + (accepted ? "yes" : "no") + "\n";
    result.json.insert(QStringLiteral("modelCode"), Q(model));
    result.json.insert(QStringLiteral("subCode"), Q(sub));
    result.json.insert(QStringLiteral("accepted"), accepted);
    if (!accepted) Stopped(outcome, result);
    return result;
}

CommandResult CommandRunner::Read(const CommandArgs& args) {
    CommandResult result;
    if (!Connect(result)) return result;
    Application& app = session_.app();
    const SafetyNet& safety = session_.safety();
    const Bytes& image = safety.imageAsRead();
    result.text = "Read " + std::to_string(image.size()) + " bytes (model code " +
                  app.radio().radioNameM() + ", sub code " + app.radio().radionameS() + ").\n";
    result.json.insert(QStringLiteral("bytes"), static_cast<int>(image.size()));
    result.json.insert(QStringLiteral("modelCode"), Q(app.radio().radioNameM()));
    result.json.insert(QStringLiteral("subCode"), Q(app.radio().radionameS()));
    if (!args.imageFile.empty()) {
        std::string error;
        const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
        if (!WriteFileAtomically(args.imageFile, bytes, ExistingFile::Replace, error)) {
            Fail(result, kExitFailure, "read --image " + error);
            return result;
        }
        result.text += "Image: " + args.imageFile + "\n";
        result.json.insert(QStringLiteral("image"), Q(args.imageFile));
    }
    if (args.showBackup) {
        if (safety.backupPath().empty()) {
            // The reason was shown when the backup could not be saved.
            result.status = kExitFailure;
            result.json.insert(QStringLiteral("error"), QStringLiteral("no backup was written"));
            return result;
        }
        result.text += "Backup: " + safety.backupPath() + "\n";
        if (!safety.journalPath().empty()) result.text += "Journal: " + safety.journalPath() + "\n";
    }
    return result;
}

CommandResult CommandRunner::Params(const CommandArgs&) {
    CommandResult result;
    if (!Connect(result)) return result;
    clsIndOp_RigK52T& model = session_.app().model();
    session_.ClickButton(kDispParaButton);
    CliSession::Outcome outcome =
        session_.RunUntil([&model] { return model.RigK52TProp_DispPara(); });
    Stopped(outcome, result);
    if (outcome != CliSession::Outcome::Done) return result;
    std::string page = PlainLines(session_.window().txtDispPara.text());
    if (!page.empty() && page.back() != '\n') page += '\n';
    result.text = page;
    result.json.insert(QStringLiteral("page"), Q(page));
    // Back to the console, for the commands that follow.
    session_.ClickButton(kDispParaButton);
    Finish(result);
    return result;
}

CommandResult CommandRunner::Readings(const CommandArgs&) {
    CommandResult result;
    // A new connection ends with one full reading cycle of both lists; a connection made
    // earlier takes them again, as Reload does.
    const bool fresh = session_.link() < CliSession::Link::Connected;
    if (!Connect(result)) return result;
    if (!fresh) {
        session_.ClickButton(kReloadButton);
        if (!Finish(result)) return result;
    }
    const clsIndOp_RigK52T& model = session_.app().model();
    result.text = "[A/D]\n";
    result.json.insert(QStringLiteral("ad"),
                       ReadingArray(model, ReadingGroup::Ad, kAdRowCount, result.text));
    result.text += "[D/A]\n";
    result.json.insert(QStringLiteral("da"),
                       ReadingArray(model, ReadingGroup::Da, kDaRowCount, result.text));
    return result;
}

StepOutcome CommandRunner::RunStep(const std::string& command, procedure::StepAction action,
                                   CommandResult& result) {
    procedure::Procedure one;
    one.title = command;
    procedure::Step step;
    step.name = command;
    step.action = std::move(action);
    one.steps.push_back(std::move(step));
    const DrivenRun run =
        DriveRun(session_, options_, technician_, one, procedure::RunInfo{}, DriveOptions{false, false});
    if (!run.finished) {
        session_.Close();
        Fail(result, kExitFailure, command + ": " + run.outOfTime + "; the port is closed");
        return StepOutcome::Skipped;
    }
    const StepRecord& row = run.record.steps.front();
    if (run.record.verdict == RunVerdict::Pass) return StepOutcome::Pass;
    // The step's own words say what ended it and what its teardown left on the radio.
    std::string why = row.message.empty() ? run.record.endReason : row.message;
    if (run.timedOut) why = run.outOfTime + "; " + why;
    Fail(result,
         session_.stopSignal() != 0 ? ExitStatusForSignal(session_.stopSignal()) : kExitFailure,
         command + ": " + why);
    // A stop that came just after the step passed still stops the command.
    return row.outcome == StepOutcome::Pass ? StepOutcome::Aborted : row.outcome;
}

CommandResult CommandRunner::Set(const CommandArgs& args) {
    CommandResult result;
    if (!Connect(result)) return result;
    Application& app = session_.app();
    // The channel count is known now; nothing has been sent yet.
    const SettingsCheck check =
        CheckSettings(app.console(), args.settings, app.model().chItem(), true);
    if (!check.error.empty()) {
        Fail(result, kExitUsage, check.error);
        return result;
    }
    if (!BeginAdjustment(args, result)) return result;
    // As a key press sets them, one after the other: the model's send loop sends them, mirrors
    // and waits included, and a reading after the last proves the radio heard them.
    procedure::SetStep step;
    for (const ResolvedSetting& s : check.settings) {
        step.settings.push_back(
            {{s.item, TitleText(app.console().Title(s.item))}, s.value, {}});
    }
    if (RunStep("set", step, result) != StepOutcome::Pass) return result;
    QJsonArray items;
    for (const ResolvedSetting& s : check.settings)
        AddItem(items, result.text, s.item);
    result.json.insert(QStringLiteral("items"), items);
    CheckJournal(args, result);
    return result;
}

CommandResult CommandRunner::Sweep(const CommandArgs& args) {
    CommandResult result;
    if (!Connect(result) || !BeginAdjustment(args, result)) return result;
    if (RunStep("sweep", procedure::SweepStep{args.sweep}, result) != StepOutcome::Pass) {
        return result;
    }
    QJsonArray items;
    for (const std::int16_t item : SweptItems(session_.app().model(), args.sweep))
        AddItem(items, result.text, item);
    result.json.insert(QStringLiteral("items"), items);
    CheckJournal(args, result);
    return result;
}

CommandResult CommandRunner::Level(const CommandArgs& args) {
    CommandResult result;
    if (!Connect(result) || !BeginAdjustment(args, result)) return result;
    const bool rx = args.level == LevelItem::Rx;
    const std::string command = std::string("level ") + (rx ? "rx" : "tx");
    const StepOutcome outcome =
        RunStep(command, procedure::LevelStep{args.level, args.target}, result);
    // A level the adjustment could not reach is still what the radio now holds.
    if (outcome != StepOutcome::Pass && outcome != StepOutcome::Fail) return result;
    const bool passed = outcome == StepOutcome::Pass;
    const clsConsole& console = session_.app().console();
    const auto [item, targetItem] = LevelRowsOf(session_.app().model(), args.level);
    const std::string name = rx ? "RX LVA" : "TX LVA";
    const std::int16_t value = console.Value(item);
    const std::int16_t target = console.Value(targetItem);
    result.json.insert(QStringLiteral("item"), Q(name));
    result.json.insert(QStringLiteral("value"), value);
    result.json.insert(QStringLiteral("target"), target);
    result.json.insert(QStringLiteral("failed"), !passed);
    if (!passed) return result;
    result.text = name + " = " + std::to_string(value) + " (target level " +
                  std::to_string(target) + ")\n";
    CheckJournal(args, result);
    return result;
}

CommandResult CommandRunner::Rssi(const CommandArgs& args) {
    CommandResult result;
    if (!Connect(result) || !BeginAdjustment(args, result)) return result;
    // The technician feeds each level and presses Enter; lines typed ahead are kept for their
    // own level, also for a later rssi of the session.
    procedure::RssiStep step;
    step.byHand = true;
    if (RunStep("rssi", step, result) != StepOutcome::Pass) return result;
    const clsCmcEeprom& image = session_.app().radio().eepImage();
    const int s3 = image.ReadByte(clsIndOp_RigK52T::kRssiS3Address);
    const int s1 = image.ReadByte(clsIndOp_RigK52T::kRssiS1Address);
    result.text = "RSSI S3 = " + std::to_string(s3) + "\nRSSI S1 = " + std::to_string(s1) + "\n";
    result.json.insert(QStringLiteral("s3"), s3);
    result.json.insert(QStringLiteral("s1"), s1);
    CheckJournal(args, result);
    return result;
}

CommandResult CommandRunner::Bench(const CommandArgs& args) {
    CommandResult result;
    std::string error;
    const CliSession::Outcome outcome = BenchCommand(session_).Run(args.bench, result, error);
    Stopped(outcome, result);
    if (outcome == CliSession::Outcome::Done && !error.empty()) Fail(result, result.status, error);
    return result;
}

CommandResult CommandRunner::RunProcedure(const CommandArgs& args) {
    CommandResult result;
    RunCommand run(session_, options_, technician_);
    // The instruments before the radio: one another run holds stops this one unopened.
    if (!run.ReserveBench(args, result)) return result;
    if (!Connect(result) || !BeginAdjustment(args, result)) {
        session_.benchStation().Restore();
        return result;
    }
    run.Run(args, result);
    if (result.status == kExitOk) CheckJournal(args, result);
    return result;
}

}  // namespace qs::cli
