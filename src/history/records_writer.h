#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "history/record_types.h"
#include "history/records_file.h"
#include "platform/random_source.h"
#include "platform/sql_connection.h"
#include "safety/wall_clock.h"

namespace qs {

class RecordsStore;

// Writes a connection's records into the local records file as the connection goes, on a
// thread of its own, so the program's thread never waits for the disk, for another program
// holding the file's lock, or for a checkpoint of the log.
//
//   RecordsWriter records(connector, RecordsPathFor(backupFolder), random, clock);
//   records.BeginConnection(info, valuesAtConnect);   // at Connect, after the backup
//   records.AddJournalEntry(entry);                    // for every adjustment command
//   records.AddReading(reading);                       // readings, sweep and bisection steps,
//   records.AddResult(result);                         //   operation results as they come
//   records.SetProcedure(...); records.AddStep(step);  // a procedure's header and steps
//   records.EndConnection(endedAt, valuesAtEnd, verdict);
//
// With a shared server, the sender is made after the writer has opened the file, outlives it
// and is nudged by it: records.setWrittenNotifier([&sender] { sender.Nudge(); }).
//
// The writer holds the records' writers' lock (shared) from its opening to its end, so no
// other program sets the file aside while this one writes it (records_file.h).
//
// Every call only queues and returns at once. Each entry is its own transaction in a
// write-ahead log, so a program killed at any moment loses at most the entry being written;
// the next start marks the connection unfinished and goes on. A failure to write is reported
// once per connection through the problem reporter, from the writer's thread; the
// adjustment goes on without records.
class RecordsWriter {
public:
    RecordsWriter(ISqlConnector& connector, std::string path, IRandomSource& random,
                  const IWallClock& clock);
    // Writes what is queued, then closes the file.
    ~RecordsWriter();
    RecordsWriter(const RecordsWriter&) = delete;
    RecordsWriter& operator=(const RecordsWriter&) = delete;

    // Called from the writer's thread: with the reason the records could not be written, and
    // after every entry written (a shared server's sender waits for that). Once a setter has
    // returned, the callback it replaced is neither running nor called again, so whatever it
    // calls may go after it has been unhooked (set to nothing). A callback must not set
    // callbacks itself.
    void setProblemReporter(std::function<void(const std::string&)> problem);
    void setWrittenNotifier(std::function<void()> written);

    // How opening the file went; waits until it has been tried.
    LocalRecordsOpening WaitOpened();

    // Starts a new connection (ending one still open as unfinished) and returns its uid, made
    // here when `info.uid` is empty. The state is always Open.
    std::string BeginConnection(ConnectionInfo info, std::vector<ItemValue> atConnect);
    void AddJournalEntry(const JournalEntry& entry);
    void AddReading(const TimedReading& reading);
    void AddSweepStep(const TimedSweep& sweep);
    void AddBisectionStep(const TimedBisection& bisection);
    void AddResult(const TimedResult& result);
    void SetProcedure(std::string technician, std::string serialNumber, std::string workOrder,
                      std::string title);
    void AddStep(const ProcedureStep& step);
    // A procedure run that has ended, whole; its verdict becomes the connection's at once.
    void AddRun(const RunRecord& run);
    void AddInstrumentEvent(const InstrumentEvent& event);
    // Ends the connection: its end time, every item's value at the end (matched by item
    // name to the values at Connect) and the verdict, if a procedure gave one.
    void EndConnection(std::time_t endedAt, std::vector<ItemValue> atEnd, std::string verdict);

    // Waits until everything queued so far is written (tests, and before the program ends).
    void Flush();

private:
    using Job = std::function<void()>;
    void Queue(Job job);
    void Run();
    void Problem(const std::string& what, const SqlStatus& status);
    void AddDetail(const char* table, SqlRow row);
    void SaveHeader(const std::vector<ItemValue>& items);

    ISqlConnector& connector_;
    const std::string path_;
    IRandomSource& random_;
    const IWallClock& clock_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    bool opened_ = false;
    std::uint64_t queued_ = 0;
    std::uint64_t finished_ = 0;
    LocalRecordsOpening opening_;
    // Held while a callback runs and while one is set.
    std::mutex callbackMutex_;
    std::function<void(const std::string&)> problem_;
    std::function<void()> written_;

    // Only the writer's thread touches these.
    std::unique_ptr<ISqlConnection> db_;
    std::unique_ptr<RecordsStore> store_;
    ConnectionInfo current_;
    std::vector<ItemValue> currentItems_;
    std::int64_t currentId_ = -1;
    bool problemShown_ = false;
    std::map<std::string, std::int64_t> nextSeq_;

    std::thread thread_;
};

}  // namespace qs
