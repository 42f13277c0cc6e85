#include "history/records_upload.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "history/records_file.h"
#include "history/records_schema.h"
#include "history/records_url.h"

namespace qs {
namespace {

// Nudges that come faster than this are taken together in one round.
constexpr auto kRoundGap = std::chrono::milliseconds(250);

SqlStatus OnServer(SqlStatus status) {
    if (!status.ok()) status.message = "server: " + status.message;
    return status;
}

}  // namespace

// Everything the uploader's thread uses, shared with it, so that a thread let go at the end
// (still in a connect) never reaches into a gone uploader.
class RecordsUploader::Worker {
public:
    Worker(ISqlConnector& connector, std::string localPath, SqlTarget remote,
           std::chrono::milliseconds retry)
        : connector_(connector),
          localPath_(std::move(localPath)),
          remote_(std::move(remote)),
          targetText_(RecordsTargetText(remote_)),
          retry_(retry) {}

    void Run();
    // Asks the thread to stop and cuts the server's link under a statement in flight.
    void Stop();
    // Whether the thread has ended its work within `wait`.
    bool WaitEnded(std::chrono::milliseconds wait);
    void setProblemReporter(std::function<void(const std::string&)> problem);
    void Nudge();
    Status status() const;
    bool WaitUpToDate(std::chrono::milliseconds timeout);

private:
    bool Round();
    bool OpenServer(SqlStatus& status);
    void DropServer();
    std::string ProblemText(const SqlStatus& status) const;

    ISqlConnector& connector_;
    const std::string localPath_;
    const SqlTarget remote_;
    const std::string targetText_;
    const std::chrono::milliseconds retry_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable roundDone_;
    bool stopping_ = false;
    bool ended_ = false;
    std::atomic<bool> stopRequested_{false};
    bool nudged_ = true;
    std::uint64_t roundsStarted_ = 0;
    std::uint64_t roundsDone_ = 0;
    std::uint64_t lastGoodRound_ = 0;
    Status status_;
    std::shared_ptr<ISqlCut> serverCut_;  // of the server's connection while there is one
    std::mutex callbackMutex_;
    std::function<void(const std::string&)> problem_;

    // Only the uploader's thread touches these.
    std::unique_ptr<ISqlConnection> local_;
    std::unique_ptr<ISqlConnection> server_;
    bool wasReachable_ = true;
};

RecordsUploader::RecordsUploader(ISqlConnector& connector, std::string localPath, SqlTarget remote,
                                 std::chrono::milliseconds retryInterval)
    : worker_(std::make_shared<Worker>(connector, std::move(localPath), std::move(remote),
                                       retryInterval)) {
    thread_ = std::thread([worker = worker_] { worker->Run(); });
}

RecordsUploader::~RecordsUploader() {
    worker_->setProblemReporter(nullptr);
    worker_->Stop();
    if (worker_->WaitEnded(kStopWait)) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void RecordsUploader::setProblemReporter(std::function<void(const std::string&)> problem) {
    worker_->setProblemReporter(std::move(problem));
}

void RecordsUploader::Nudge() {
    worker_->Nudge();
}

RecordsUploader::Status RecordsUploader::status() const {
    return worker_->status();
}

bool RecordsUploader::WaitUpToDate(std::chrono::milliseconds timeout) {
    return worker_->WaitUpToDate(timeout);
}

void RecordsUploader::Worker::Stop() {
    stopRequested_ = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        if (serverCut_) serverCut_->Cut();
    }
    wake_.notify_all();
}

bool RecordsUploader::Worker::WaitEnded(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    return roundDone_.wait_for(lock, wait, [this] { return ended_; });
}

void RecordsUploader::Worker::setProblemReporter(std::function<void(const std::string&)> problem) {
    std::lock_guard<std::mutex> lock(callbackMutex_);
    problem_ = std::move(problem);
}

void RecordsUploader::Worker::Nudge() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        nudged_ = true;
    }
    wake_.notify_all();
}

RecordsUploader::Status RecordsUploader::Worker::status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

bool RecordsUploader::Worker::WaitUpToDate(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t round = roundsStarted_ + 1;
    nudged_ = true;
    wake_.notify_all();
    return roundDone_.wait_for(lock, timeout, [&] { return lastGoodRound_ >= round; });
}

void RecordsUploader::Worker::Run() {
    auto nextTry = std::chrono::steady_clock::now();
    for (;;) {
        std::uint64_t round = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // While the server is away only the retry interval brings the next attempt; new
            // records wait locally meanwhile.
            wake_.wait_until(lock, nextTry, [this] { return stopping_; });
            if (stopping_) break;
            if (status_.reachable) {
                wake_.wait(lock, [this] { return stopping_ || nudged_; });
                if (stopping_) break;
            }
            nudged_ = false;
            round = ++roundsStarted_;
        }
        const bool good = Round();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++roundsDone_;
            if (good) lastGoodRound_ = round;
        }
        roundDone_.notify_all();
        nextTry = std::chrono::steady_clock::now() + (good ? kRoundGap : retry_);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        serverCut_.reset();
    }
    server_.reset();
    local_.reset();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }
    roundDone_.notify_all();
}

std::string RecordsUploader::Worker::ProblemText(const SqlStatus& status) const {
    // A server this program cannot write for answers well enough: it is not "unreachable".
    if (status.error == SqlError::Incompatible) {
        return "The shared records at " + targetText_ + " do not take this program's records. " +
               status.message;
    }
    return "The shared records at " + targetText_ + " cannot be reached (" + status.message +
           "). The records are kept on this bench and sent when the server answers again.";
}

// Opens the server's connection and makes its link cuttable by a closing program. A program
// that began closing while the connect was under way gets nothing.
bool RecordsUploader::Worker::OpenServer(SqlStatus& status) {
    std::unique_ptr<ISqlConnection> server = connector_.Open(remote_, status);
    if (!server) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return false;
        serverCut_ = server->Cutter();
    }
    server_ = std::move(server);
    if ((status = OnServer(MigrateRecords(*server_))).ok()) return true;
    DropServer();
    return false;
}

void RecordsUploader::Worker::DropServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        serverCut_.reset();
    }
    server_.reset();
}

bool RecordsUploader::Worker::Round() {
    SqlStatus status;
    if (!local_) local_ = OpenLocalRecordsShared(connector_, localPath_, status);
    UploadOutcome outcome;
    if (local_ && !server_ && !OpenServer(status) && stopRequested_) return false;
    if (local_ && server_) {
        outcome = SendPendingRecords(*local_, *server_, targetText_,
                                     [this] { return stopRequested_.load(); });
        status = outcome.status;
        // Whatever went wrong, the next attempt starts with a fresh connection.
        if (!status.ok()) DropServer();
    }
    // A link cut by a closing program is no news for the technician.
    if (outcome.stopped || stopRequested_) return false;

    const bool good = status.ok() && local_ && server_;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status_.reachable = good;
        status_.upToDate = good;
        status_.message = good ? "" : status.message;
        status_.rowsSent += outcome.rows;
    }
    std::lock_guard<std::mutex> lock(callbackMutex_);
    if (good != wasReachable_ && problem_) {
        problem_(good ? "The shared records at " + targetText_ +
                           " answer again; the records kept on this bench meanwhile are sent."
                     : ProblemText(status));
    }
    wasReachable_ = good;
    return good;
}

}  // namespace qs
