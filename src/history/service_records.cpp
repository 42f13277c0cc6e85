#include "history/service_records.h"

#include <chrono>
#include <utility>

#include "history/backup_import.h"
#include "history/bench_event_record.h"
#include "history/connection_file.h"
#include "history/records_file.h"
#include "history/records_store.h"
#include "history/records_upload.h"
#include "history/records_writer.h"

namespace qs {
namespace {

constexpr const char* kCrLf = "\r\n";
// How long a closing program lets a reachable server take what is new; with the uploader's
// own stop after it, closing never waits on the server longer than 2 s.
constexpr std::chrono::milliseconds kLastSendWait =
    std::chrono::milliseconds(2000) - RecordsUploader::kStopWait - std::chrono::milliseconds(100);

}  // namespace

std::string ImportNotice(const ImportResult& result, const std::string& folder) {
    // A retry that finds the same files unreadable says nothing new.
    if (result.imported == 0 && (result.skipped.empty() || result.skippedAsBefore) &&
        result.notes.empty() && result.status.ok()) {
        return {};
    }
    std::string interrupted;
    for (const std::string& notice : result.interrupted) interrupted += kCrLf + notice;
    std::string text = "The service records took in " + std::to_string(result.imported) +
                       (result.imported == 1 ? " earlier connection" : " earlier connections") +
                       " from the backups folder " + folder + ".";
    if (!result.skipped.empty()) {
        text += kCrLf + std::string("These files could not be read; they were left as they are:");
        for (const ImportProblem& problem : result.skipped)
            text += kCrLf + ("  " + problem.path + ": " + problem.reason);
    }
    if (!result.notes.empty()) {
        text += kCrLf + std::string("Taken in, with these parts of their files left out or set "
                                    "apart:");
        for (const std::string& note : result.notes)
            text += kCrLf + ("  " + note);
    }
    if (!result.status.ok()) {
        text += kCrLf + ("The import stopped early: " + result.status.message);
    }
    return text + interrupted;
}

ServiceRecords::ServiceRecords(ISqlConnector& connector, IRandomSource& random,
                               const IWallClock& clock, ServiceRecordsSetup setup, Notice notice)
    : path_(RecordsPathFor(setup.backupFolder)),
      setup_(std::move(setup)),
      clock_(clock),
      connector_(connector),
      notice_(std::move(notice)),
      earlierBackups_([this] {
          const std::vector<std::string> found = BackupsIn(setup_.backupFolder);
          return std::set<std::string>(found.begin(), found.end());
      }()) {
    writer_ = std::make_unique<RecordsWriter>(connector, path_, random, clock);
    writer_->setProblemReporter([this](const std::string& problem) {
        if (notice_) notice_(problem);
    });
    opener_ = std::thread([this] { Open(); });
}

ServiceRecords::~ServiceRecords() {
    EndConnection();
    // A first-start import of a big backups folder goes on at the next start.
    stopping_ = true;
    if (opener_.joinable()) opener_.join();
    writer_->Flush();
    // A server that answers gets a moment for what is new; one that does not is not waited
    // for at all, and a statement still under way after the moment is cut off (the records
    // go at the next start).
    if (uploader_ && uploader_->status().reachable) {
        uploader_->Nudge();
        uploader_->WaitUpToDate(kLastSendWait);
    }
    writer_->setWrittenNotifier(nullptr);
    writer_->setProblemReporter(nullptr);
    writer_.reset();
    uploader_.reset();
}

// On a thread of its own, so that neither a slow disk nor a big backups folder holds up the
// program's start.
void ServiceRecords::Open() {
    const LocalRecordsOpening opening = writer_->WaitOpened();
    if (opening.outcome == LocalRecordsOpening::Outcome::Failed) {
        if (notice_) notice_(opening.message);
        return;
    }
    if (opening.outcome == LocalRecordsOpening::Outcome::Recreated && notice_) {
        notice_(opening.message);
    }
    if (!setup_.recordAgain.empty()) RecordAgain();
    if (setup_.server) {
        uploader_ = std::make_unique<RecordsUploader>(connector_, path_, *setup_.server);
        uploader_->setProblemReporter([this](const std::string& problem) {
            if (notice_) notice_(problem);
        });
        RecordsUploader* uploader = uploader_.get();
        writer_->setWrittenNotifier([uploader] { uploader->Nudge(); });
    }
    if (opening.backupsImported || earlierBackups_.empty()) return;
    // A connection of its own beside the writer's; each imported connection is one short
    // transaction, so the writer's entries go in between.
    std::unique_ptr<ISqlConnection> db = OpenForImport();
    if (!db) return;
    RecordsStore store(*db);
    const ImportResult result = ImportBackupFolder(
        store, setup_.backupFolder, setup_.bench,
        [this](const std::string& path) { return earlierBackups_.count(path) > 0; },
        [this] { return stopping_.load(); });
    if (result.stopped) return;
    const std::string text = ImportNotice(result, setup_.backupFolder);
    if (!text.empty() && notice_) notice_(text);
    if (uploader_) uploader_->Nudge();
}

std::unique_ptr<ISqlConnection> ServiceRecords::OpenForImport() {
    LocalRecordsOpening opening;
    std::unique_ptr<ISqlConnection> db =
        OpenLocalRecords(connector_, path_, clock_, opening, LocalRecordsUse::Importing);
    if (!db && notice_) notice_(opening.message);
    return db;
}

// The records of a connection whose run the program ended during are brought up to date
// from its repaired files: the run and the steps it never sent, its ERROR as the connection's
// verdict, every item's value at the end as the journal shows it. What is there stays.
void ServiceRecords::RecordAgain() {
    std::unique_ptr<ISqlConnection> db = OpenForImport();
    if (!db) return;
    RecordsStore store(*db);
    for (const std::string& backupPath : setup_.recordAgain) {
        ConnectionRecord record;
        ImportProblem problem;
        std::int64_t id = 0;
        const SqlStatus status = ReadConnectionFiles(backupPath, setup_.bench, record, problem)
                                     ? store.SaveRecord(record, id)
                                     : SqlStatus::Failed(SqlError::Other,
                                                         problem.path + ": " + problem.reason);
        if (!status.ok() && notice_) {
            notice_("The service records could not take in the run the program ended during (" +
                    backupPath + ").\r\n" + status.message);
        }
    }
}

void ServiceRecords::OnConnectionStarted(const BackupRecord& backup,
                                         const std::string& backupPath) {
    EndConnection();
    ConnectionRecord start = RecordOfBackup(backup, backupPath, setup_.bench);
    start.info.uid.clear();
    start.info.programVersion = setup_.programVersion;
    if (backupPath.empty()) start.info.backupCrc.clear();
    for (ItemValue& item : start.items)
        item.atEnd.clear();
    atConnect_ = start.items;
    lastSent_.clear();
    verdict_.clear();
    const std::string uid = writer_->BeginConnection(std::move(start.info), std::move(start.items));
    open_ = true;
    runStartMs_ = 0;
    if (setup_.ticks) startTick_ = setup_.ticks->GetTickCount();
    factsFile_.Close();
    factsProblemShown_ = false;
    if (backupPath.empty()) return;
    std::string error;
    if (!factsFile_.Create(ConnectionFilePathFor(backupPath),
                           ConnectionFileHeading(uid, setup_.bench, setup_.programVersion),
                           error)) {
        FactsProblem(error);
    }
}

void ServiceRecords::WriteFact(const std::string& line) {
    if (!factsFile_.isOpen() || factsFile_.WriteLine(line)) return;
    const std::string error = factsFile_.writeError();
    factsFile_.Close();
    FactsProblem(error);
}

// Said once per connection; the records themselves go on.
void ServiceRecords::FactsProblem(const std::string& error) {
    if (factsProblemShown_) return;
    factsProblemShown_ = true;
    if (!notice_) return;
    notice_("The connection's record file could not be written: " + error + kCrLf +
            "The service records are kept all the same; they cannot be rebuilt from the files "
            "for this connection.");
}

std::int64_t ServiceRecords::elapsedMs() const {
    if (!open_ || !setup_.ticks) return 0;
    // The tick wraps; the difference stays right across the wrap.
    return static_cast<std::uint32_t>(setup_.ticks->GetTickCount()) -
           static_cast<std::uint32_t>(startTick_);
}

void ServiceRecords::OnBenchEvent(const instruments::BenchEvent& event) {
    if (!open_) return;
    const auto row = InstrumentEventOf(event, elapsedMs());
    if (!row) return;
    WriteFact(InstrumentLine(*row));
    writer_->AddInstrumentEvent(*row);
}

void ServiceRecords::OnJournalEntry(const JournalEntry& entry) {
    if (!open_) return;
    lastSent_[entry.item] = entry.newValue;
    writer_->AddJournalEntry(entry);
}

void ServiceRecords::OnReading(const TimedReading& reading) {
    if (open_) writer_->AddReading(reading);
}

void ServiceRecords::OnSweepStep(const TimedSweep& sweep) {
    if (open_) writer_->AddSweepStep(sweep);
}

void ServiceRecords::OnBisectionStep(const TimedBisection& bisection) {
    if (open_) writer_->AddBisectionStep(bisection);
}

void ServiceRecords::OnResult(const TimedResult& result) {
    if (open_) writer_->AddResult(result);
}

void ServiceRecords::SetProcedure(std::string technician, std::string serialNumber,
                                  std::string workOrder, std::string title) {
    if (!open_) return;
    runStartMs_ = elapsedMs();
    WriteFact(RunStartLine(runStartMs_));
    writer_->SetProcedure(std::move(technician), std::move(serialNumber), std::move(workOrder),
                          std::move(title));
}

void ServiceRecords::AddStep(const ProcedureStep& step) {
    if (open_) writer_->AddStep(step);
}

void ServiceRecords::AddRun(const RunRecord& run) {
    if (!open_) return;
    verdict_ = VerdictWord(run.verdict);
    writer_->AddRun(run);
}

void ServiceRecords::EndConnection() {
    if (!open_) return;
    open_ = false;
    // The value the radio was left with: the last one sent, else the one read at Connect.
    std::vector<ItemValue> atEnd = atConnect_;
    for (ItemValue& item : atEnd) {
        const auto sent = lastSent_.find(item.item);
        item.atEnd = sent != lastSent_.end() ? sent->second : item.atConnect;
    }
    const std::time_t endedAt = clock_.Now();
    WriteFact(EndLine(endedAt));
    factsFile_.Close();
    writer_->EndConnection(endedAt, std::move(atEnd), std::move(verdict_));
    verdict_.clear();
}

void ServiceRecords::Flush() {
    if (opener_.joinable()) opener_.join();
    writer_->Flush();
}

}  // namespace qs
