#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/link_hooks.h"
#include "platform/alerts.h"
#include "platform/bytes.h"
#include "safety/adjustment_recorder.h"
#include "safety/connection_observer.h"
#include "safety/line_file.h"
#include "safety/wall_clock.h"

namespace qs {

class Application;

// The technician's safety net around a started Application: a backup of every memory image
// read from the radio, a journal of the adjustment commands of that connection, going back
// to the values read at Connect, and comparing the image with a backup.
//
//   SafetyNet net(app, messageBox, wallClock, DefaultBackupFolder());   // after app.Start()
//
// It watches the clone sequence and never changes what goes on the wire: a backup that
// cannot be saved is reported once in a message and the connection goes on without it. A
// front end that must not change the radio without them asks recordsWritten() first. The one
// exception is the journal's own: each adjustment command's line is written before the
// command goes, and once a line has failed no adjustment command goes in that connection.
class SafetyNet : public ISequenceObserver {
public:
    enum class RevertResult {
        Reverted,         // the items were set; the model's send loop sends them
        NothingToRevert,  // every item already holds its value from Connect
        Declined,         // the technician answered No
        NotConnected,     // no values read at Connect, or the console is not in use
        Busy,             // an automatic operation is running
    };

    SafetyNet(Application& app, IMessageBox& messageBox, const IWallClock& wallClock,
              std::string backupFolder);
    ~SafetyNet() override;
    SafetyNet(const SafetyNet&) = delete;
    SafetyNet& operator=(const SafetyNet&) = delete;

    // ISequenceObserver
    void OnCloneReadDone(clsCmcKel3Sequence& sequence) override;
    // Writes the command's journal line first; false (the command is not sent) when it could
    // not be written, and for every command after that in the connection.
    bool OnAdjustmentSending(const std::string& e8Hex, bool answerRequired) override;

    // A line of something else done during the connection (the bench's settings and
    // readings), beside the adjustment commands. False when there is no journal to write to
    // or the line could not be written (that is reported once, as for any journal line).
    bool AddToJournal(const JournalEntry& entry);

    const std::string& backupFolder() const { return backupFolder_; }
    // Paths of this connection's files; empty when none was written.
    const std::string& backupPath() const { return backupPath_; }
    const std::string& journalPath() const { return journal_.path(); }
    // The backup of this connection is saved and every adjustment so far is in its journal.
    bool recordsWritten() const { return !backupPath_.empty() && journal_.isOpen(); }
    // Why they are not, once a backup or journal failed in this connection; empty otherwise.
    const std::string& problem() const { return problem_; }
    // The memory image exactly as the radio sent it at the last clone read, before anything
    // was sent to the radio; empty before the first.
    const Bytes& imageAsRead() const { return imageAsRead_; }

    // Takes the problems in place of the message box (a front end that says them its own
    // way); each is the headline and the system's reason, on two lines.
    void setProblemReporter(std::function<void(const std::string&)> reporter) {
        reporter_ = std::move(reporter);
    }

    // The technician chose to change the radio without backup and journal (the command
    // line's --no-backup): a journal line that fails then holds no command back.
    void setJournalOptional(bool optional) { journalOptional_ = optional; }

    // Also told of every connection's backup and journal line (null: nobody).
    void setFilesObserver(IConnectionFilesObserver* observer) { observer_ = observer; }

    // Asks first, then sets every item that differs back to its value read at Connect.
    // Refusals are explained in a message.
    RevertResult RevertToConnectValues();

    // The compare page for the current memory image against the backup file at `path`;
    // false with `error` when no image has been read yet or the backup cannot be read.
    bool CompareWithBackup(const std::string& path, std::string& page, std::string& error);

private:
    void SaveBackup(clsCmcKel3Sequence& sequence);
    // False when there is no journal or the line could not be written; a failure closes the
    // journal for the rest of the connection and is reported once.
    bool WriteJournalLine(const JournalEntry& entry);
    // `consequence` follows the problem in the message box of the desktop program.
    void ReportProblem(const std::string& problem, const std::string& consequence);

    Application& app_;
    IMessageBox& messageBox_;
    const IWallClock& wallClock_;
    std::string backupFolder_;
    AdjustmentRecorder recorder_;
    std::string backupPath_;
    LineFile journal_;
    Bytes imageAsRead_;
    std::string problem_;
    std::function<void(const std::string&)> reporter_;
    IConnectionFilesObserver* observer_ = nullptr;
    bool journalFailureShown_ = false;
    bool journalLost_ = false;  // a line of this connection's journal failed
    bool journalOptional_ = false;
    bool imageRead_ = false;
};

}  // namespace qs
