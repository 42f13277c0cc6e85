#include "cli/command_runner.h"

#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

#include "cli/reading_rows.h"
#include "cli/terminal_alerts.h"
#include "console/console.h"
#include "link/clone_sequence.h"
#include "link/serial_service.h"
#include "model/reading_text.h"
#include "safety/safety_net.h"
#include "shell/application.h"

namespace qs::cli {

namespace {

constexpr std::int16_t kDispParaButton = 2;
constexpr std::int32_t kRssiS1Adr = 169;
constexpr std::int32_t kRssiS3Adr = 170;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string TitleText(const std::string& title) {
    return title.substr(std::min(title.find_first_not_of(' '), title.size()));
}

QJsonArray ReadingArray(const HeadlessListBox& list, std::string& text) {
    QJsonArray rows;
    for (std::size_t r = 1; r < list.rows().size(); ++r) {
        const std::optional<ReadingRow> row = ParseReadingRow(list.rows()[r]);
        if (!row) continue;
        char line[96];
        std::snprintf(line, sizeof line, "%-8s %3d  %s\n", row->label.c_str(), row->raw,
                      row->converted.c_str());
        text += line;
        rows.append(QJsonObject{{QStringLiteral("label"), Q(row->label)},
                                {QStringLiteral("raw"), row->raw},
                                {QStringLiteral("converted"), Q(row->converted)}});
    }
    return rows;
}

bool InRssiCapture(std::int16_t opState) {
    return opState == 7 || opState == 8;
}

}  // namespace

CommandRunner::CommandRunner(CliSession& session, const CliOptions& options)
    : session_(session), options_(options) {}

bool CommandRunner::OpenFiles(std::string& error) {
    if (options_.command != Command::Read || options_.imageFile.empty()) return true;
    image_ = std::make_unique<QSaveFile>(Q(options_.imageFile));
    if (!image_->open(QIODevice::WriteOnly)) {
        error = "read --image " + options_.imageFile + ": " + image_->errorString().toStdString();
        return false;
    }
    return true;
}

bool CommandRunner::CheckArguments(std::string& error) {
    if (options_.command != Command::Set) return true;
    const SettingsCheck check = CheckSettings(session_.app().console(), options_.settings,
                                              session_.app().model().chItem(), false);
    error = check.error;
    settings_ = check.settings;
    return error.empty();
}

CommandResult CommandRunner::Run() {
    CommandResult result;
    switch (options_.command) {
        case Command::Identify:
            result = Identify();
            break;
        case Command::Read:
            result = Read();
            break;
        case Command::Params:
            result = Params();
            break;
        case Command::Readings:
            result = Readings();
            break;
        case Command::Set:
            result = Set();
            break;
        case Command::Sweep:
            result = Sweep();
            break;
        case Command::Level:
            result = Level();
            break;
        case Command::Rssi:
            result = Rssi();
            break;
        default:
            result.status = kExitUsage;
            break;
    }
    result.json.insert(QStringLiteral("ok"), result.status == kExitOk);
    result.json.insert(QStringLiteral("device"), Q(session_.device()));
    const SafetyNet& safety = session_.safety();
    if (!safety.backupPath().empty()) {
        result.json.insert(QStringLiteral("backup"), Q(safety.backupPath()));
    }
    if (!safety.journalPath().empty()) {
        result.json.insert(QStringLiteral("journal"), Q(safety.journalPath()));
    }
    QJsonArray messages;
    for (const std::string& m : session_.messages().messages())
        messages.append(Q(m));
    if (!messages.isEmpty()) result.json.insert(QStringLiteral("messages"), messages);
    return result;
}

void CommandRunner::Stopped(CliSession::Outcome outcome, CommandResult& result) {
    std::string error;
    switch (outcome) {
        case CliSession::Outcome::Done:
            return;
        case CliSession::Outcome::Failed:
            // The core's message is on standard error already.
            result.status = kExitFailure;
            error = session_.messages().messages().empty() ? "the radio link failed"
                                                           : session_.messages().messages().back();
            break;
        case CliSession::Outcome::TimedOut:
            result.status = kExitFailure;
            error = "no end within " + std::to_string(session_.timeoutSeconds()) +
                    " s (--timeout); the port is closed";
            std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
            break;
        case CliSession::Outcome::Interrupted:
            result.status = kExitInterrupted;
            error = "stopped; the port is closed and the journal is complete";
            std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
            break;
    }
    result.json.insert(QStringLiteral("error"), Q(error));
}

bool CommandRunner::Connect(CommandResult& result) {
    const CliSession::Outcome outcome = session_.Connect();
    Stopped(outcome, result);
    return outcome == CliSession::Outcome::Done;
}

void CommandRunner::AddItem(QJsonArray& items, std::string& text, std::int16_t item) {
    const clsConsole& console = session_.app().console();
    const std::string title = TitleText(console.Title(item));
    text += title + " = " + std::to_string(console.Value(item)) + "\n";
    items.append(QJsonObject{{QStringLiteral("item"), Q(title)},
                             {QStringLiteral("value"), console.Value(item)}});
}

CommandResult CommandRunner::Identify() {
    CommandResult result;
    result.json.insert(QStringLiteral("command"), QStringLiteral("identify"));
    Application& app = session_.app();
    const clsCmcKel3Drv& driver = app.com().kel3D();
    session_.ClickConnect();
    const CliSession::Outcome outcome = session_.RunUntil([&driver] {
        return driver.workMode() == clsCmcKel3Drv::kModeIdentify && !driver.Running() &&
               !driver.ansInfo().empty();
    });
    // A radio the model refuses still answered: its codes are what the technician asked for.
    const std::int16_t error = app.sequence().error();
    const bool refused = error == clsCmcKel3Sequence::kErrModelCode ||
                         error == clsCmcKel3Sequence::kErrSubCode ||
                         error == clsCmcKel3Sequence::kErrFormat;
    const bool answered = !driver.ansInfo().empty() && driver.lastError() == clsCmcKel3Drv::kErrNone;
    if (outcome == CliSession::Outcome::Done) {
        // Identification only: the clone read that would follow is not started.
        app.model().RigOpFunc_ResetAll();
    } else if (!(outcome == CliSession::Outcome::Failed && refused && answered)) {
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
    if (!accepted) {
        Stopped(outcome, result);
    }
    return result;
}

CommandResult CommandRunner::Read() {
    CommandResult result;
    result.json.insert(QStringLiteral("command"), QStringLiteral("read"));
    if (!Connect(result)) {
        if (image_) image_->cancelWriting();
        return result;
    }
    Application& app = session_.app();
    const clsCmcEeprom& image = app.radio().eepImage();
    result.text = "Read " + std::to_string(image.eeSize()) + " bytes (model code " +
                  app.radio().radioNameM() + ", sub code " + app.radio().radionameS() + ").\n";
    result.json.insert(QStringLiteral("bytes"), image.eeSize());
    result.json.insert(QStringLiteral("modelCode"), Q(app.radio().radioNameM()));
    result.json.insert(QStringLiteral("subCode"), Q(app.radio().radionameS()));
    if (image_) {
        QByteArray bytes(image.eeSize(), '\0');
        for (std::int32_t a = 0; a < image.eeSize(); ++a)
            bytes[a] = static_cast<char>(image.ReadByte(a));
        if (image_->write(bytes) != bytes.size() || !image_->commit()) {
            const std::string error = "read --image " + options_.imageFile + ": " +
                                      image_->errorString().toStdString();
            std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
            result.status = kExitFailure;
            result.json.insert(QStringLiteral("error"), Q(error));
            return result;
        }
        result.text += "Image: " + options_.imageFile + "\n";
        result.json.insert(QStringLiteral("image"), Q(options_.imageFile));
    }
    if (options_.showBackup) {
        const SafetyNet& safety = session_.safety();
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

CommandResult CommandRunner::Params() {
    CommandResult result;
    result.json.insert(QStringLiteral("command"), QStringLiteral("params"));
    if (!Connect(result)) return result;
    clsIndOp_RigK52T& model = session_.app().model();
    session_.app().main().OnCommandClick(kDispParaButton);
    const CliSession::Outcome outcome =
        session_.RunUntil([&model] { return model.RigK52TProp_DispPara(); });
    Stopped(outcome, result);
    if (outcome != CliSession::Outcome::Done) return result;
    std::string page = PlainLines(session_.window().txtDispPara.text());
    if (!page.empty() && page.back() != '\n') page += '\n';
    result.text = page;
    result.json.insert(QStringLiteral("page"), Q(page));
    return result;
}

CommandResult CommandRunner::Readings() {
    CommandResult result;
    result.json.insert(QStringLiteral("command"), QStringLiteral("readings"));
    // Connect ends with one full reading cycle of both lists.
    if (!Connect(result)) return result;
    HeadlessMainWindow& window = session_.window();
    result.text = "[A/D]\n";
    result.json.insert(QStringLiteral("ad"), ReadingArray(window.lbo01[0], result.text));
    result.text += "[D/A]\n";
    result.json.insert(QStringLiteral("da"), ReadingArray(window.lbo01[1], result.text));
    return result;
}

CommandResult CommandRunner::Set() {
    CommandResult result;
    result.json.insert(QStringLiteral("command"), QStringLiteral("set"));
    if (!Connect(result)) return result;
    Application& app = session_.app();
    // The channel count is known now; nothing of the settings has been sent yet.
    const SettingsCheck check =
        CheckSettings(app.console(), options_.settings, app.model().chItem(), true);
    if (!check.error.empty()) {
        std::fprintf(stderr, "qs71dr-cli: %s\n", check.error.c_str());
        result.status = kExitUsage;
        result.json.insert(QStringLiteral("error"), Q(check.error));
        return result;
    }
    // As a key press sets them: the model's send loop sends them, mirrors and waits included.
    for (const ResolvedSetting& s : check.settings)
        app.console().setValue(s.item, s.value);
    const CliSession::Outcome outcome = session_.RunUntil([this] { return session_.Idle(); });
    Stopped(outcome, result);
    if (outcome != CliSession::Outcome::Done) return result;
    QJsonArray items;
    for (const ResolvedSetting& s : check.settings)
        AddItem(items, result.text, s.item);
    result.json.insert(QStringLiteral("items"), items);
    return result;
}

CommandResult CommandRunner::Sweep() {
    CommandResult result;
    result.json.insert(QStringLiteral("command"), QStringLiteral("sweep"));
    if (!Connect(result)) return result;
    const clsConsole& console = session_.app().console();
    const char* title = options_.sweep == SweepKind::All  ? "BPF ALL"
                        : options_.sweep == SweepKind::T1 ? "BPF T1"
                                                          : "BPF T2";
    session_.PressEnter(FindItem(console, title));
    const CliSession::Outcome outcome = session_.RunUntil([this] { return session_.Idle(); });
    Stopped(outcome, result);
    if (outcome != CliSession::Outcome::Done) return result;
    QJsonArray items;
    if (options_.sweep != SweepKind::T2) AddItem(items, result.text, FindItem(console, "BPF T1"));
    if (options_.sweep != SweepKind::T1) AddItem(items, result.text, FindItem(console, "BPF T2"));
    result.json.insert(QStringLiteral("items"), items);
    return result;
}

CommandResult CommandRunner::Level() {
    CommandResult result;
    result.json.insert(QStringLiteral("command"), QStringLiteral("level"));
    if (!Connect(result)) return result;
    Application& app = session_.app();
    clsConsole& console = app.console();
    const bool rx = options_.level == LevelKind::Rx;
    const std::int16_t item = FindItem(console, rx ? "RX LVA" : "TX LVA");
    const std::int16_t targetItem = FindItem(console, rx ? "LV(RX LVA)" : "LV(TX LVA)");
    if (options_.target) console.setValue(targetItem, *options_.target);
    session_.PressEnter(item);
    const CliSession::Outcome outcome = session_.RunUntil([this] { return session_.Idle(); });
    Stopped(outcome, result);
    if (outcome != CliSession::Outcome::Done) return result;

    const std::string name = rx ? "RX LVA" : "TX LVA";
    const bool failed = app.model().lvaMark(rx ? 0 : 1);
    const std::int16_t value = console.Value(item);
    const std::int16_t target = console.Value(targetItem);
    result.json.insert(QStringLiteral("item"), Q(name));
    result.json.insert(QStringLiteral("value"), value);
    result.json.insert(QStringLiteral("target"), target);
    result.json.insert(QStringLiteral("failed"), failed);
    if (failed) {
        const std::string error = "level " + std::string(rx ? "rx" : "tx") +
                                  ": Auto Adjust Failed: the target level " +
                                  std::to_string(target) + " is out of reach; " + name +
                                  " is back at " + std::to_string(value);
        std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
        result.status = kExitFailure;
        result.json.insert(QStringLiteral("error"), Q(error));
        return result;
    }
    result.text = name + " = " + std::to_string(value) + " (target level " +
                  std::to_string(target) + ")\n";
    return result;
}

CommandResult CommandRunner::Rssi() {
    CommandResult result;
    result.json.insert(QStringLiteral("command"), QStringLiteral("rssi"));
    if (!Connect(result)) return result;
    Application& app = session_.app();
    clsIndOp_RigK52T& model = app.model();
    const std::int16_t item = FindItem(app.console(), "RSSI");

    // Enter lines from the terminal; each is handed on only while its level is being read,
    // so an Enter typed ahead is kept for its own level.
    int linesReady = 0;
    bool inputEnded = false;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &input, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            inputEnded = true;
            input.setEnabled(false);
            return;
        }
        for (ssize_t k = 0; k < n; ++k)
            if (buffer[k] == '\n') ++linesReady;
    });
    int captured = 0;  // 0: none, 1: S3, 2: S3 and S1
    int prompted = 0;
    session_.setTickHook([&] {
        if (captured >= 2 || !InRssiCapture(model.opState())) return;
        const bool s1 = model.rssiS1Pass();
        if (s1 != (captured == 1)) return;
        if (prompted == captured) {
            std::fprintf(stderr, "qs71dr-cli: feed the %s level and press Enter\n",
                         s1 ? "S1" : "S3");
            std::fflush(stderr);
            ++prompted;
        }
        if (linesReady == 0) return;
        --linesReady;
        ++captured;
        session_.PressEnter(item);
    });
    session_.PressEnter(item);
    const CliSession::Outcome outcome = session_.RunUntil([&] {
        return captured == 2 ? session_.Idle() : inputEnded && linesReady == 0;
    });
    session_.setTickHook(nullptr);
    Stopped(outcome, result);
    if (outcome != CliSession::Outcome::Done) return result;
    if (captured < 2 || !session_.Idle()) {
        const std::string error = std::string("rssi: standard input ended before the ") +
                                  (captured == 0 ? "S3" : "S1") + " level was captured";
        std::fprintf(stderr, "qs71dr-cli: %s\n", error.c_str());
        result.status = kExitFailure;
        result.json.insert(QStringLiteral("error"), Q(error));
        return result;
    }
    const clsCmcEeprom& image = app.radio().eepImage();
    const int s3 = image.ReadByte(kRssiS3Adr);
    const int s1 = image.ReadByte(kRssiS1Adr);
    result.text = "RSSI S3 = " + std::to_string(s3) + "\nRSSI S1 = " + std::to_string(s1) + "\n";
    result.json.insert(QStringLiteral("s3"), s3);
    result.json.insert(QStringLiteral("s1"), s1);
    return result;
}

}  // namespace qs::cli
