#include "history/records_writer.h"

#include <utility>

#include "history/connection_uid.h"
#include "history/record_rows.h"
#include "history/records_store.h"

namespace qs {

RecordsWriter::RecordsWriter(ISqlConnector& connector, std::string path, IRandomSource& random,
                             const IWallClock& clock)
    : connector_(connector), path_(std::move(path)), random_(random), clock_(clock) {
    thread_ = std::thread([this] { Run(); });
}

RecordsWriter::~RecordsWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void RecordsWriter::setProblemReporter(std::function<void(const std::string&)> problem) {
    std::lock_guard<std::mutex> lock(callbackMutex_);
    problem_ = std::move(problem);
}

void RecordsWriter::setWrittenNotifier(std::function<void()> written) {
    std::lock_guard<std::mutex> lock(callbackMutex_);
    written_ = std::move(written);
}

LocalRecordsOpening RecordsWriter::WaitOpened() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return opened_; });
    return opening_;
}

void RecordsWriter::Queue(Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
        ++queued_;
    }
    wake_.notify_one();
}

void RecordsWriter::Flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t target = queued_;
    done_.wait(lock, [&] { return finished_ >= target; });
}

void RecordsWriter::Run() {
    LocalRecordsOpening opening;
    db_ = OpenLocalRecords(connector_, path_, clock_, opening);
    if (db_) store_ = std::make_unique<RecordsStore>(*db_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        opening_ = opening;
        opened_ = true;
    }
    done_.notify_all();

    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) break;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
        {
            std::lock_guard<std::mutex> lock(callbackMutex_);
            if (written_) written_();
        }
        // Counted only now, so that after Flush() no notice of what it waited for is pending.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++finished_;
        }
        done_.notify_all();
    }
    store_.reset();
    db_.reset();
}

void RecordsWriter::Problem(const std::string& what, const SqlStatus& status) {
    if (problemShown_) return;
    problemShown_ = true;
    std::lock_guard<std::mutex> lock(callbackMutex_);
    if (problem_) {
        problem_("The service records of this connection could not be written (" + what + ").\r\n" +
                status.message +
                "\r\nThe adjustment goes on; the backup and journal files are written as always.");
    }
}

void RecordsWriter::SaveHeader(const std::vector<ItemValue>& items) {
    std::int64_t id = -1;
    // The header and its items go together: a reader never sees a connection without them.
    SqlStatus status = db_->Begin();
    if (status.ok()) status = store_->SaveConnection(current_, items, id);
    if (status.ok()) {
        status = db_->Commit();
    } else {
        db_->Rollback();
    }
    if (!status.ok()) {
        Problem("the connection", status);
        return;
    }
    currentId_ = id;
}

void RecordsWriter::AddDetail(const char* table, SqlRow row) {
    if (!store_ || currentId_ < 0) return;
    std::int64_t& seq = nextSeq_[table];
    const SqlStatus status = store_->AddDetailRow(currentId_, table, seq, row);
    if (!status.ok()) {
        Problem(table, status);
        return;
    }
    ++seq;
}

std::string RecordsWriter::BeginConnection(ConnectionInfo info, std::vector<ItemValue> atConnect) {
    if (info.uid.empty()) info.uid = NewConnectionUid(random_);
    info.state = ConnectionState::Open;
    const std::string uid = info.uid;
    Queue([this, info = std::move(info), items = std::move(atConnect)]() mutable {
        if (store_ && currentId_ >= 0 && current_.state == ConnectionState::Open) {
            current_.state = ConnectionState::Unfinished;
            SaveHeader({});
        }
        current_ = std::move(info);
        currentItems_ = std::move(items);
        currentId_ = -1;
        problemShown_ = false;
        nextSeq_.clear();
        if (!store_) return;
        SaveHeader(currentItems_);
    });
    return uid;
}

void RecordsWriter::AddJournalEntry(const JournalEntry& entry) {
    Queue([this, entry] { AddDetail("journal_entries", DetailRow(entry)); });
}

void RecordsWriter::AddReading(const TimedReading& reading) {
    Queue([this, reading] { AddDetail("readings", DetailRow(reading)); });
}

void RecordsWriter::AddSweepStep(const TimedSweep& sweep) {
    Queue([this, sweep] { AddDetail("sweep_steps", DetailRow(sweep)); });
}

void RecordsWriter::AddBisectionStep(const TimedBisection& bisection) {
    Queue([this, bisection] { AddDetail("bisection_steps", DetailRow(bisection)); });
}

void RecordsWriter::AddResult(const TimedResult& result) {
    Queue([this, result] { AddDetail("operation_results", DetailRow(result)); });
}

void RecordsWriter::SetProcedure(std::string technician, std::string serialNumber,
                                 std::string workOrder, std::string title) {
    Queue([this, technician = std::move(technician), serialNumber = std::move(serialNumber),
           workOrder = std::move(workOrder), title = std::move(title)] {
        if (!store_ || currentId_ < 0) return;
        current_.technician = technician;
        current_.serialNumber = serialNumber;
        current_.workOrder = workOrder;
        current_.procedureTitle = title;
        SaveHeader({});
    });
}

void RecordsWriter::AddStep(const ProcedureStep& step) {
    Queue([this, step] {
        if (!store_ || currentId_ < 0) return;
        const std::int64_t stepSeq = nextSeq_["procedure_steps"];
        AddDetail("procedure_steps", DetailRow(step));
        for (const StepValue& value : step.values)
            AddDetail("step_values", DetailRow(stepSeq, value));
    });
}

void RecordsWriter::AddRun(const RunRecord& run) {
    Queue([this, row = DetailRow(run), verdict = std::string(VerdictWord(run.verdict))] {
        if (!store_ || currentId_ < 0) return;
        AddDetail("procedure_runs", row);
        // The connection's verdict is its last run's, from the moment that run ends.
        current_.verdict = verdict;
        SaveHeader({});
    });
}

void RecordsWriter::AddInstrumentEvent(const InstrumentEvent& event) {
    Queue([this, event] { AddDetail("instrument_events", DetailRow(event)); });
}

void RecordsWriter::EndConnection(std::time_t endedAt, std::vector<ItemValue> atEnd,
                                  std::string verdict) {
    Queue([this, endedAt, atEnd = std::move(atEnd), verdict = std::move(verdict)] {
        if (!store_ || currentId_ < 0) return;
        for (ItemValue& item : currentItems_) {
            for (const ItemValue& end : atEnd)
                if (end.item == item.item) item.atEnd = end.atEnd;
        }
        current_.state = ConnectionState::Finished;
        current_.endedAt = endedAt;
        current_.verdict = verdict;
        SaveHeader(currentItems_);
    });
}

}  // namespace qs
