#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/sql_connection.h"

namespace qs {

struct UploadOutcome {
    int connections = 0;    // connections looked at and brought up to date on the server
    std::int64_t rows = 0;  // detail rows the server did not have yet
    SqlStatus status;
    bool stopped = false;  // given up between two connections, the rest left for later
};

// Sends the server whatever the local records hold that it lacks: every connection not yet
// known to be complete there, each in one transaction on the server. Rows are matched by the
// connection's uid and their sequence numbers, so nothing is ever doubled, whether a
// connection is sent again after a lost answer or by two programs at once. A connection that
// has ended and reached the server whole is remembered locally as sent to `targetText`.
// `stopping`, asked between connections, ends the round early (a closing program).
UploadOutcome SendPendingRecords(ISqlConnection& local, ISqlConnection& remote,
                                 const std::string& targetText,
                                 const std::function<bool()>& stopping = {});

// Keeps a shop's shared server up to date from a bench's local records, on a thread of its
// own: every blocking call to the server happens there, each connection attempt is bounded by
// the target's connect time-out, and while the server cannot be reached the records simply
// wait in the local file and go when it answers again.
class RecordsUploader {
public:
    struct Status {
        bool reachable = false;  // the last attempt reached the server
        bool upToDate = false;   // and left nothing to send
        std::string message;     // why the server could not be reached
        std::int64_t rowsSent = 0;
    };

    RecordsUploader(ISqlConnector& connector, std::string localPath, SqlTarget remote,
                    std::chrono::milliseconds retryInterval = std::chrono::seconds(10));
    // Never waits on the network: a statement under way is cut off (its connection's rows stay
    // in the local file for the next start) and the thread is given `stopWait` to end. One
    // still waiting for a server to answer its connect is let go: it ends by itself within the
    // connect time-out, touching nothing of the program's but the connector's Open() it is in,
    // and calls nobody back.
    ~RecordsUploader();
    RecordsUploader(const RecordsUploader&) = delete;
    RecordsUploader& operator=(const RecordsUploader&) = delete;

    // Called from the uploader's thread when the server stops answering and when it answers
    // again, with a sentence for the technician. Once set again (or to nothing), the one it
    // replaced is neither running nor called again.
    void setProblemReporter(std::function<void(const std::string&)> problem);

    // Something new was written locally; sends it soon. Safe from any thread.
    void Nudge();
    Status status() const;
    // Waits until a round that started after this call has left the server up to date, or
    // until `timeout` (tests, and a program that wants to send before it ends).
    bool WaitUpToDate(std::chrono::milliseconds timeout);

    // How long closing waits for the thread to end once its link is cut.
    static constexpr std::chrono::milliseconds kStopWait{400};

private:
    class Worker;
    std::shared_ptr<Worker> worker_;
    std::thread thread_;
};

}  // namespace qs
