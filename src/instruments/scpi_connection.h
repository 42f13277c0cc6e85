#pragma once

// One instrument at one address, spoken to in SCPI over a byte stream: lines end in LF (a CR
// before it is dropped), one request at a time from a queue, each answer awaited with its own
// time-out on the program's clock.
//
// Opening asks *IDN? and keeps the answer. A setting goes out as the profile's clear (*CLS),
// the setting and the error query (SYST:ERR?), in one write, so the error queue read after it
// holds only what that setting caused; entries are read until "0,..." and reported with the
// instrument's own text. A measurement's answer must be one SCPI number. After a failed query
// (no answer in time, not a number, SCPI's not-a-number) the error queue is asked once and its
// entry added to the message. A query left unanswered puts the line in doubt (a late answer
// would be taken for the next one), so the connection asks *IDN? again and drops every line
// until the identity comes back; if that is not answered either, the connection is closed.
//
// Results are never delivered inside the call that asked for them: they come from the stream's
// notifications or from Tick(), which the owner calls on its timer.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instruments/profile.h"
#include "instruments/resource.h"
#include "instruments/result.h"
#include "platform/byte_stream.h"
#include "platform/tick_source.h"

namespace qs::instruments {

struct Timeouts {
    std::chrono::milliseconds open{5000};
    std::chrono::milliseconds answer{2000};
};

class ScpiConnection {
public:
    // An answer line without its LF that grows past this is not an answer.
    static constexpr std::size_t kMaxAnswerBytes = 4096;
    // Error-queue entries read after one setting before giving up on an end.
    static constexpr int kMaxErrorReads = 10;

    using TextDone = std::function<void(const Result<std::string>&)>;
    using StatusDone = std::function<void(const Status&)>;
    using NumberDone = std::function<void(const Result<double>&)>;

    ScpiConnection(Resource resource, Profile profile, Timeouts timeouts,
                   IByteStreamFactory& streams, const ITickSource& clock);
    ~ScpiConnection();
    ScpiConnection(const ScpiConnection&) = delete;
    ScpiConnection& operator=(const ScpiConnection&) = delete;

    const std::string& address() const { return resource_.canonical; }
    const Profile& profile() const { return profile_; }
    const Timeouts& timeouts() const { return timeouts_; }
    // The answer to *IDN? of the present opening; empty while closed.
    const std::string& identity() const { return identity_; }
    bool isOpen() const { return phase_ != Phase::Closed && phase_ != Phase::Opening; }
    // Something is under way or waits for delivery: the owner's timer must keep ticking.
    bool busy() const;

    // The identity, opening the connection first when needed.
    void Identify(TextDone done);
    // Each setting in turn, each checked with the error queue; stops at the first refused.
    void Apply(std::vector<std::string> settings, StatusDone done);
    // The commands in turn, the last a query whose answer must be one number.
    void Measure(std::vector<std::string> commands, NumberDone done);

    // Closes at once; queued and running requests are dropped without a result.
    void Close();
    // Closes at once; queued and running requests end with ConnectionLost and `why`, delivered
    // on the next Tick() as any result.
    void Abandon(const std::string& why);
    // Time-outs and delivery of results.
    void Tick();

private:
    enum class Phase {
        Closed,
        Opening,
        Identifying,
        Idle,
        Setting,     // a setting sent, its error-queue entries awaited
        Querying,    // a query sent, its answer awaited
        Diagnosing,  // the error queue asked after a failed query
        Resyncing,   // *IDN? asked after a time-out, lines dropped until it comes
    };

    struct Reply {
        std::string text;
        double number = 0.0;
    };
    using ReplyDone = std::function<void(const Result<Reply>&)>;

    struct Job {
        enum class Kind { Identify, Apply, Measure };
        Kind kind = Kind::Identify;
        std::vector<std::string> settings;
        std::string query;
        std::size_t next = 0;
        std::vector<std::string> errors;        // entries read for the running setting
        std::optional<InstrumentError> failure;  // waits for the diagnosis or the resync
        ReplyDone done;
    };

    struct Deadline {
        std::uint32_t id = 0;  // the request it was armed for
        std::int32_t startTick = 0;
        std::int32_t ms = 0;
    };

    void Enqueue(Job job);
    void Advance();
    void StartOpening();
    void RunJob();
    void SendSetting();
    void SendQuery(Phase phase, const std::string& query);
    void Send(const std::string& text);
    void Arm(std::chrono::milliseconds duration);

    void OnOpened();
    void OnReceived(const Bytes& bytes);
    void OnFailed(const std::string& reason);
    void OnLine(const std::string& line);
    void OnSettingLine(const std::string& line);
    void OnQueryLine(const std::string& line);
    void OnTimeout();

    void StartResync();
    void Diagnose(InstrumentError failure);
    void Succeed(Reply reply);
    void Fail(InstrumentError error);
    // Ends the current job with its result (delivered later); the caller moves on.
    void Finish(Result<Reply> result);
    void FailConnection(Fault fault, const std::string& text);
    void CloseStream();
    void Deliver();

    InstrumentError Error(Fault fault, const std::string& text) const;
    std::string Seconds(std::chrono::milliseconds duration) const;

    Resource resource_;
    Profile profile_;
    Timeouts timeouts_;
    IByteStreamFactory& streams_;
    const ITickSource& clock_;

    Phase phase_ = Phase::Closed;
    std::unique_ptr<IByteStream> stream_;
    // Closed streams are destroyed on the next tick, never inside their own notification.
    std::vector<std::unique_ptr<IByteStream>> retired_;
    std::string identity_;
    std::string received_;
    std::deque<Job> queue_;
    std::optional<Job> current_;
    std::deque<std::function<void()>> finished_;

    std::uint32_t lastRequestId_ = 0;
    std::uint32_t awaitedId_ = 0;  // 0: no answer awaited
    std::optional<Deadline> deadline_;
};

}  // namespace qs::instruments
