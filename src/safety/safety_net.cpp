#include "safety/safety_net.h"

#include <utility>

#include "safety/backup_file.h"
#include "safety/parameter_compare.h"
#include "shell/application.h"
#include "shell/program_texts.h"
#include "shell/show_message.h"

namespace qs {
namespace {

constexpr const char* kCrLf = "\r\n";

Bytes ImageBytes(const clsCmcEeprom& image) {
    Bytes bytes(static_cast<std::size_t>(image.eeSize()));
    for (std::int32_t a = 0; a < image.eeSize(); ++a)
        bytes[static_cast<std::size_t>(a)] = image.ReadByte(a);
    return bytes;
}

}  // namespace

SafetyNet::SafetyNet(Application& app, IMessageBox& messageBox, const IWallClock& wallClock,
                     std::string backupFolder)
    : app_(app),
      messageBox_(messageBox),
      wallClock_(wallClock),
      backupFolder_(std::move(backupFolder)),
      recorder_(app.console(), app.radio().eepImage()) {
    app_.sequence().setObserver(this);
}

SafetyNet::~SafetyNet() {
    app_.sequence().setObserver(nullptr);
}

void SafetyNet::OnCloneReadDone(clsCmcKel3Sequence& sequence) {
    imageRead_ = true;
    imageAsRead_ = ImageBytes(app_.radio().eepImage());
    recorder_.StartConnection();
    journal_.Close();
    backupPath_.clear();
    problem_.clear();
    journalFailureShown_ = false;
    journalLost_ = false;
    SaveBackup(sequence);
}

void SafetyNet::SaveBackup(clsCmcKel3Sequence& sequence) {
    const std::time_t now = wallClock_.Now();
    BackupRecord record;
    record.modelCode = app_.radio().radioNameM();
    record.subCode = app_.radio().radionameS();
    record.identification = sequence.ansInfo();
    record.dateTime = DateTimeText(now);
    record.image = imageAsRead_;

    const std::string stem = DateTimeStamp(now) + "-" + record.modelCode + record.subCode;
    std::string error;
    if (!SaveNewFile(backupFolder_, stem, kBackupExtension, BackupText(record), backupPath_,
                     error)) {
        backupPath_.clear();
        if (observer_) observer_->OnConnectionStarted(record, backupPath_);
        ReportProblem(std::string("The memory image read from the radio could not be saved as "
                                  "a backup.") +
                          kCrLf + error,
                      "The adjustment goes on, without a backup or journal of this connection.");
        return;
    }

    // The journal shares the backup's name, so the two files of a connection sit together.
    std::string journalFile = backupPath_;
    journalFile.resize(journalFile.size() - std::string(kBackupExtension).size());
    journalFile += kJournalExtension;
    if (!journal_.Create(journalFile, {kJournalHeading}, error)) {
        journal_.Close();
        journalFailureShown_ = true;
        ReportProblem(std::string("The adjustment journal could not be written.") + kCrLf + error,
                      "The adjustment goes on without a journal; a procedure run stops here.");
    }
    if (observer_) observer_->OnConnectionStarted(record, backupPath_);
}

bool SafetyNet::OnAdjustmentSending(const std::string& e8Hex, bool answerRequired) {
    const auto entry = recorder_.Record(e8Hex, answerRequired, DateTimeText(wallClock_.Now()));
    if (!entry) return true;  // a reading changes nothing
    // Once a line of this connection's journal has failed, no command could be journalled.
    if (journalLost_ && !journalOptional_) return false;
    // A connection without a journal from its start goes on as the technician was told.
    if (journal_.isOpen() && !WriteJournalLine(*entry) && !journalOptional_) return false;
    if (observer_ && imageRead_) observer_->OnJournalEntry(*entry);
    return true;
}

bool SafetyNet::AddToJournal(const JournalEntry& entry) {
    if (observer_ && imageRead_) observer_->OnJournalEntry(entry);
    return WriteJournalLine(entry);
}

bool SafetyNet::WriteJournalLine(const JournalEntry& entry) {
    if (!journal_.isOpen()) return false;
    if (journal_.WriteLine(JournalLine(entry))) return true;
    const std::string error = journal_.writeError();
    journal_.Close();
    journalLost_ = true;
    if (journalFailureShown_) return false;
    journalFailureShown_ = true;
    ReportProblem(std::string("The adjustment journal could not be written.") + kCrLf + error,
                  "Nothing more is sent to the radio in this connection, as it could not be "
                  "journalled; a procedure run stops here. Connect again once the folder has "
                  "room.");
    return false;
}

void SafetyNet::ReportProblem(const std::string& problem, const std::string& consequence) {
    problem_ = problem;
    if (reporter_) {
        reporter_(problem);
        return;
    }
    // Modal: the heartbeat skips its turns while the box is open, and the connection goes on
    // once the technician has dismissed it.
    ShowMessage(messageBox_, problem + kCrLf + consequence);
}

SafetyNet::RevertResult SafetyNet::RevertToConnectValues() {
    // A procedure run drives the radio alone; the window says so already.
    if (!app_.main().inputHeld().empty()) return RevertResult::Busy;
    clsIndOp_RigK52T& model = app_.model();
    clsConsole& console = app_.console();
    const auto& values = recorder_.connectValues();
    if (!recorder_.hasConnectValues() || !model.RigK52TProp_EditEnabled() ||
        values.size() != static_cast<std::size_t>(console.ListCount())) {
        ShowMessage(messageBox_, std::string("There are no values read at Connect to go back to.") +
                                     kCrLf + "Connect to the radio first.");
        return RevertResult::NotConnected;
    }
    if (model.opState() != 0) {
        ShowMessage(messageBox_, std::string("An automatic operation is running.") + kCrLf +
                                     "Revert when it has finished.");
        return RevertResult::Busy;
    }

    int differing = 0;
    for (std::int16_t i = 0; i < console.ListCount(); ++i) {
        if (console.Value(i) != values[static_cast<std::size_t>(i)]) ++differing;
    }
    if (differing == 0) {
        ShowMessage(messageBox_, "Every item already holds the value read at Connect.");
        return RevertResult::NothingToRevert;
    }
    const std::string question =
        "Set every adjustment item back to the value read at Connect?" + std::string(kCrLf) +
        std::to_string(differing) +
        (differing == 1 ? " item differs and is sent" : " items differ and are sent") +
        " to the radio again.";
    if (!messageBox_.AskYesNo(kProgramTitle, question)) return RevertResult::Declined;

    // Set like a key press would, so the model's own send loop sends them, mirrors included.
    for (std::int16_t i = 0; i < console.ListCount(); ++i) {
        const std::int16_t v = values[static_cast<std::size_t>(i)];
        if (console.Value(i) != v) console.setValue(i, v);
    }
    return RevertResult::Reverted;
}

bool SafetyNet::CompareWithBackup(const std::string& path, std::string& page, std::string& error) {
    if (!imageRead_) {
        error = "No memory image has been read from the radio yet. Connect first.";
        return false;
    }
    BackupRecord record;
    if (!ReadBackupFile(path, record, error)) return false;
    clsCmcEeprom backupImage;
    if (backupImage.WriteBlock(0, record.image) != 0) {
        error = "The backup's image does not fit the memory image.";
        return false;
    }
    page =
        CompareText(path, record.dateTime, CompareParameters(backupImage, app_.radio().eepImage()));
    return true;
}

}  // namespace qs
