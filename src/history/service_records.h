#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "history/backup_import.h"
#include "history/record_types.h"
#include "instruments/bench.h"
#include "platform/random_source.h"
#include "platform/sql_connection.h"
#include "platform/tick_source.h"
#include "record/curve_log.h"
#include "safety/connection_observer.h"
#include "safety/line_file.h"
#include "safety/wall_clock.h"

namespace qs {

class RecordsUploader;
class RecordsWriter;

struct ServiceRecordsSetup {
    std::string backupFolder;  // the records file lies beside it
    std::string bench;         // the settings' name, or the host name
    std::string programVersion;
    std::optional<SqlTarget> server;  // a shop's shared server; none: the bench's file only
    // Times the bench's events into the connection; none: they are all at 0.
    const ITickSource* ticks = nullptr;
    // Backups whose files the start repaired (interrupted_runs.h): their connections are taken
    // into the records again from the files, before anything is sent on to a server.
    std::vector<std::string> recordAgain = {};
};

// The service records of a running program: every connection the safety net and the curve
// recorder see goes into the records as it goes, through the writer's thread; with a shop's
// server, an uploader sends them on from a thread of its own.
//
//   ServiceRecords records(connector, random, wallClock, setup, notice);
//   safety.setFilesObserver(&records);  curves.setObserver(&records);
//   records.SetProcedure(...); records.AddStep(step); records.AddRun(run);
//   records.EndConnection();   // at close; a new Connect ends the one before by itself
//
// Nothing here waits for the disk or the server: the calls only queue. On start, the
// records file is opened, and when it has not taken in the backups folder yet (the first
// start, or a damaged file set aside) the folder is imported once, beside the program's work.
// What the technician has to know (the import's count and the files it skipped, a damaged
// file set aside, records that cannot be written, a server that stops or starts answering)
// goes to `notice`, called from any thread, once per event.
class ServiceRecords : public IConnectionFilesObserver, public ICurveObserver {
public:
    using Notice = std::function<void(const std::string&)>;

    ServiceRecords(ISqlConnector& connector, IRandomSource& random, const IWallClock& clock,
                   ServiceRecordsSetup setup, Notice notice);
    // Ends a connection still open, stops the import after the connection it is taking in
    // and, with a server, gives it at most 2 s to take what is new, whatever the backlog or
    // the server does (what is not sent goes at the next start).
    ~ServiceRecords() override;
    ServiceRecords(const ServiceRecords&) = delete;
    ServiceRecords& operator=(const ServiceRecords&) = delete;

    const std::string& path() const { return path_; }

    // IConnectionFilesObserver
    void OnConnectionStarted(const BackupRecord& backup, const std::string& backupPath) override;
    void OnJournalEntry(const JournalEntry& entry) override;
    // ICurveObserver
    void OnReading(const TimedReading& reading) override;
    void OnSweepStep(const TimedSweep& sweep) override;
    void OnBisectionStep(const TimedBisection& bisection) override;
    void OnResult(const TimedResult& result) override;

    // A setting made or a reading taken on the bench (only those for the record are kept).
    void OnBenchEvent(const instruments::BenchEvent& event);

    // What a procedure run during the connection adds: its header (asked at its start), each
    // step as it ends, and the run whole when it has ended, whose verdict is then the
    // connection's (also while the connection stays open). A run's start is taken when its
    // header comes (runStartMs()); its steps are timed from there.
    void SetProcedure(std::string technician, std::string serialNumber, std::string workOrder,
                      std::string title);
    std::int64_t runStartMs() const { return runStartMs_; }
    void AddStep(const ProcedureStep& step);
    void AddRun(const RunRecord& run);
    // Milliseconds since the open connection began (0 without a tick source or connection).
    std::int64_t elapsedMs() const;

    // The connection ends: its end time and every item's last value. Nothing when none is
    // open.
    void EndConnection();
    bool connectionOpen() const { return open_; }

    // Waits until the import (if any) is done and everything queued is written (tests).
    void Flush();

private:
    void Open();
    void RecordAgain();
    // A connection of its own beside the writer's, for an import; none (and said) when the
    // file cannot be opened.
    std::unique_ptr<ISqlConnection> OpenForImport();
    void WriteFact(const std::string& line);
    void FactsProblem(const std::string& error);

    const std::string path_;
    const ServiceRecordsSetup setup_;
    const IWallClock& clock_;
    ISqlConnector& connector_;
    Notice notice_;
    std::unique_ptr<RecordsWriter> writer_;
    // Made by the opening thread, once the file is open.
    std::unique_ptr<RecordsUploader> uploader_;
    // The backups there before this program could record any: all the import may take.
    const std::set<std::string> earlierBackups_;
    std::thread opener_;
    std::atomic<bool> stopping_{false};

    // The program's thread only.
    bool open_ = false;
    std::vector<ItemValue> atConnect_;
    std::map<std::string, std::string> lastSent_;
    std::string verdict_;
    std::int32_t startTick_ = 0;
    std::int64_t runStartMs_ = 0;
    // The connection file beside the backup (connection_file.h), so that the records can be
    // rebuilt from the files with this connection's ID.
    LineFile factsFile_;
    bool factsProblemShown_ = false;
};

// The notice of an import: how many connections came in and which files were skipped;
// empty when there is nothing to say (nothing imported, nothing skipped).
std::string ImportNotice(const ImportResult& result, const std::string& folder);

}  // namespace qs
