#include "instruments/scpi_connection.h"

#include <cstdio>

#include "instruments/scpi_text.h"

namespace qs::instruments {

ScpiConnection::ScpiConnection(Resource resource, Profile profile, Timeouts timeouts,
                               IByteStreamFactory& streams, const ITickSource& clock)
    : resource_(std::move(resource)),
      profile_(std::move(profile)),
      timeouts_(timeouts),
      streams_(streams),
      clock_(clock) {}

ScpiConnection::~ScpiConnection() {
    if (stream_) stream_->close();
}

bool ScpiConnection::busy() const {
    return (phase_ != Phase::Closed && phase_ != Phase::Idle) || current_ || !queue_.empty() ||
           !finished_.empty() || !retired_.empty();
}

InstrumentError ScpiConnection::Error(Fault fault, const std::string& text) const {
    return {fault, resource_.canonical + ": " + text};
}

std::string ScpiConnection::Seconds(std::chrono::milliseconds duration) const {
    char text[32];
    std::snprintf(text, sizeof(text), "%g s", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

// --- Requests --------------------------------------------------------------------------------

void ScpiConnection::Identify(TextDone done) {
    Job job;
    job.kind = Job::Kind::Identify;
    job.done = [done = std::move(done)](const Result<Reply>& reply) {
        if (reply) {
            done(reply.value().text);
        } else {
            done(reply.error());
        }
    };
    Enqueue(std::move(job));
}

void ScpiConnection::Apply(std::vector<std::string> settings, StatusDone done) {
    Job job;
    job.kind = Job::Kind::Apply;
    job.settings = std::move(settings);
    job.done = [done = std::move(done)](const Result<Reply>& reply) {
        if (reply) {
            done(Ok());
        } else {
            done(reply.error());
        }
    };
    Enqueue(std::move(job));
}

void ScpiConnection::Measure(std::vector<std::string> commands, NumberDone done) {
    Job job;
    job.kind = Job::Kind::Measure;
    if (!commands.empty()) {
        job.query = commands.back();
        commands.pop_back();
    }
    job.settings = std::move(commands);
    job.done = [done = std::move(done)](const Result<Reply>& reply) {
        if (reply) {
            done(reply.value().number);
        } else {
            done(reply.error());
        }
    };
    Enqueue(std::move(job));
}

void ScpiConnection::Enqueue(Job job) {
    queue_.push_back(std::move(job));
    Advance();
}

void ScpiConnection::Advance() {
    if (current_ || queue_.empty()) return;
    if (phase_ == Phase::Closed) {
        StartOpening();
        return;
    }
    if (phase_ != Phase::Idle) return;
    current_ = std::move(queue_.front());
    queue_.pop_front();
    RunJob();
}

void ScpiConnection::StartOpening() {
    std::string why;
    StreamEndpoint endpoint = resource_.endpoint;
    endpoint.answerTimeoutMs = static_cast<std::int32_t>(timeouts_.answer.count());
    stream_ = streams_.Create(endpoint, &why);
    if (!stream_) {
        FailConnection(Fault::NotSupported, why.empty() ? "cannot be reached" : why);
        return;
    }
    phase_ = Phase::Opening;
    received_.clear();
    stream_->setHandlers({
        [this] { OnOpened(); },
        [this](const Bytes& bytes) { OnReceived(bytes); },
        [this](const std::string& reason) { OnFailed(reason); },
    });
    awaitedId_ = ++lastRequestId_;
    Arm(timeouts_.open);
    stream_->open();
}

// Runs the current job from where it stands: its next setting, then its query.
void ScpiConnection::RunJob() {
    Job& job = *current_;
    if (job.kind == Job::Kind::Identify) {
        Succeed({identity_, 0.0});
        return;
    }
    if (job.next < job.settings.size()) {
        SendSetting();
        return;
    }
    if (job.kind == Job::Kind::Measure) {
        if (job.query.empty()) {
            Fail(Error(Fault::ProfileLacks, "no query to measure with"));
            return;
        }
        SendQuery(Phase::Querying, job.query);
        return;
    }
    Succeed({});
}

void ScpiConnection::SendSetting() {
    Job& job = *current_;
    job.errors.clear();
    std::string text;
    for (const std::string& clear : profile_.Commands(Operation::Clear))
        text += clear + "\n";
    text += job.settings[job.next] + "\n";
    Send(text);
    if (phase_ == Phase::Closed) return;
    SendQuery(Phase::Setting, profile_.Commands(Operation::ErrorQuery).front());
}

void ScpiConnection::SendQuery(Phase phase, const std::string& query) {
    phase_ = phase;
    awaitedId_ = ++lastRequestId_;
    Arm(timeouts_.answer);
    Send(query + "\n");
}

void ScpiConnection::Send(const std::string& text) {
    if (!stream_ || !stream_->write(Bytes(text.begin(), text.end()))) {
        FailConnection(Fault::ConnectionLost, "the connection is gone");
    }
}

void ScpiConnection::Arm(std::chrono::milliseconds duration) {
    deadline_ = Deadline{awaitedId_, clock_.GetTickCount(), static_cast<std::int32_t>(duration.count())};
}

// --- Stream notifications ---------------------------------------------------------------------

void ScpiConnection::OnOpened() {
    if (phase_ == Phase::Opening) {
        phase_ = Phase::Identifying;
        SendQuery(Phase::Identifying, profile_.Commands(Operation::Identify).front());
    }
    Deliver();
}

void ScpiConnection::OnFailed(const std::string& reason) {
    if (phase_ == Phase::Opening) {
        FailConnection(Fault::CannotConnect, "cannot connect: " + reason);
    } else if (phase_ != Phase::Closed) {
        FailConnection(Fault::ConnectionLost, "connection lost: " + reason);
    }
    Deliver();
}

void ScpiConnection::OnReceived(const Bytes& bytes) {
    received_.append(bytes.begin(), bytes.end());
    std::size_t newline = 0;
    while ((newline = received_.find('\n')) != std::string::npos) {
        std::string line = received_.substr(0, newline);
        received_.erase(0, newline + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        OnLine(line);
    }
    if (received_.size() > kMaxAnswerBytes) {
        received_.clear();
        if (phase_ == Phase::Identifying) {
            FailConnection(Fault::BadAnswer, "the answer to *IDN? is longer than " +
                                                 std::to_string(kMaxAnswerBytes) + " bytes");
        } else if (current_ && (phase_ == Phase::Querying || phase_ == Phase::Setting)) {
            current_->failure = Error(Fault::BadAnswer, "an answer longer than " +
                                                            std::to_string(kMaxAnswerBytes) +
                                                            " bytes without a line end");
            StartResync();
        }
    }
    Deliver();
}

void ScpiConnection::OnLine(const std::string& line) {
    switch (phase_) {
        case Phase::Identifying:
            if (line.find_first_not_of(" \t") == std::string::npos) {
                FailConnection(Fault::BadAnswer, "answered *IDN? with an empty line");
                return;
            }
            identity_ = line;
            awaitedId_ = 0;
            phase_ = Phase::Idle;
            Advance();
            return;
        case Phase::Setting:
            OnSettingLine(line);
            return;
        case Phase::Querying:
            OnQueryLine(line);
            return;
        case Phase::Diagnosing: {
            InstrumentError failure = *current_->failure;
            const auto entry = ParseErrorEntry(line);
            if (!entry) {
                // Not what the error query gives: the line is out of step.
                Finish(std::move(failure));
                StartResync();
                return;
            }
            if (entry->code != 0) failure.message += "; the instrument reports " + entry->text;
            Fail(std::move(failure));
            return;
        }
        case Phase::Resyncing:
            if (line != identity_) return;  // a late answer to an earlier query
            awaitedId_ = 0;
            phase_ = Phase::Idle;
            if (current_ && current_->failure) {
                Diagnose(*current_->failure);
                return;
            }
            Advance();
            return;
        case Phase::Closed:
        case Phase::Opening:
        case Phase::Idle:
            return;  // nothing asked: a stray line
    }
}

void ScpiConnection::OnSettingLine(const std::string& line) {
    Job& job = *current_;
    const std::string& setting = job.settings[job.next];
    const std::string& errorQuery = profile_.Commands(Operation::ErrorQuery).front();
    const auto entry = ParseErrorEntry(line);
    if (!entry) {
        job.failure = Error(Fault::BadAnswer, "answered " + errorQuery + " after " + setting +
                                                  " with " + QuoteAnswer(line) +
                                                  ", not an error-queue entry");
        StartResync();
        return;
    }
    if (entry->code != 0) {
        job.errors.push_back(entry->text);
        if (static_cast<int>(job.errors.size()) < kMaxErrorReads) {
            SendQuery(Phase::Setting, errorQuery);
            return;
        }
    }
    if (!job.errors.empty()) {
        std::string all;
        for (const std::string& e : job.errors)
            all += (all.empty() ? "" : "; ") + e;
        Fail(Error(Fault::Refused, "the instrument refused " + setting + ": " + all));
        return;
    }
    ++job.next;
    RunJob();
}

void ScpiConnection::OnQueryLine(const std::string& line) {
    const std::string& query = current_->query;
    const ParsedNumber number = ParseScpiNumber(line);
    switch (number.kind) {
        case NumberKind::Value:
            Succeed({line, number.value});
            return;
        case NumberKind::NotANumber:
            Diagnose(Error(Fault::NoMeasurement,
                           query + " gave no valid measurement (" + QuoteAnswer(line) +
                               " is SCPI's not-a-number)"));
            return;
        case NumberKind::Infinity:
            Diagnose(Error(Fault::NoMeasurement, query + " gave no valid measurement (" +
                                                     QuoteAnswer(line) +
                                                     " is SCPI's infinity: over range)"));
            return;
        case NumberKind::Malformed:
            Diagnose(Error(Fault::BadAnswer,
                           "the answer to " + query + " is not a number: " + QuoteAnswer(line)));
            return;
    }
}

// --- Time-outs ---------------------------------------------------------------------------------

void ScpiConnection::Tick() {
    retired_.clear();
    if (deadline_ && deadline_->id == awaitedId_ && awaitedId_ != 0) {
        const auto elapsed = static_cast<std::uint32_t>(clock_.GetTickCount()) -
                             static_cast<std::uint32_t>(deadline_->startTick);
        if (elapsed >= static_cast<std::uint32_t>(deadline_->ms)) OnTimeout();
    }
    Deliver();
}

void ScpiConnection::OnTimeout() {
    deadline_.reset();
    const std::string within = " within " + Seconds(timeouts_.answer);
    switch (phase_) {
        case Phase::Opening:
            FailConnection(Fault::CannotConnect, "no connection within " + Seconds(timeouts_.open));
            return;
        case Phase::Identifying:
            FailConnection(Fault::NoAnswer, "no answer to " +
                                                profile_.Commands(Operation::Identify).front() +
                                                within);
            return;
        case Phase::Setting:
            current_->failure = Error(
                Fault::NoAnswer, "no answer to " + profile_.Commands(Operation::ErrorQuery).front() +
                                     " after " + current_->settings[current_->next] + within);
            StartResync();
            return;
        case Phase::Querying:
            current_->failure = Error(Fault::NoAnswer, "no answer to " + current_->query + within);
            StartResync();
            return;
        case Phase::Diagnosing:
            // The line is in doubt again: the job ends now, the queue waits for the resync.
            Finish(*current_->failure);
            StartResync();
            return;
        case Phase::Resyncing:
            FailConnection(Fault::NoAnswer, "stopped answering (no answer to " +
                                                profile_.Commands(Operation::Identify).front() +
                                                within + " after a time-out)");
            return;
        case Phase::Closed:
        case Phase::Idle:
            return;
    }
}

void ScpiConnection::StartResync() {
    received_.clear();
    SendQuery(Phase::Resyncing, profile_.Commands(Operation::Identify).front());
}

void ScpiConnection::Diagnose(InstrumentError failure) {
    current_->failure = std::move(failure);
    SendQuery(Phase::Diagnosing, profile_.Commands(Operation::ErrorQuery).front());
}

// --- Results -----------------------------------------------------------------------------------

void ScpiConnection::Succeed(Reply reply) {
    Finish(std::move(reply));
    Advance();
}

void ScpiConnection::Fail(InstrumentError error) {
    Finish(std::move(error));
    Advance();
}

void ScpiConnection::Finish(Result<Reply> result) {
    ReplyDone done = std::move(current_->done);
    current_.reset();
    awaitedId_ = 0;
    if (phase_ != Phase::Closed) phase_ = Phase::Idle;
    finished_.push_back([done = std::move(done), result = std::move(result)] { done(result); });
}

void ScpiConnection::FailConnection(Fault fault, const std::string& text) {
    const InstrumentError error = Error(fault, text);
    CloseStream();
    if (current_) {
        ReplyDone done = std::move(current_->done);
        InstrumentError own = current_->failure.value_or(error);
        current_.reset();
        finished_.push_back([done = std::move(done), own = std::move(own)] { done(own); });
    }
    for (Job& job : queue_) {
        finished_.push_back([done = std::move(job.done), error] { done(error); });
    }
    queue_.clear();
}

void ScpiConnection::CloseStream() {
    if (stream_) {
        stream_->close();
        retired_.push_back(std::move(stream_));
    }
    phase_ = Phase::Closed;
    identity_.clear();
    received_.clear();
    awaitedId_ = 0;
    deadline_.reset();
}

void ScpiConnection::Close() {
    CloseStream();
    current_.reset();
    queue_.clear();
    finished_.clear();
}

void ScpiConnection::Abandon(const std::string& why) {
    FailConnection(Fault::ConnectionLost, why);
}

void ScpiConnection::Deliver() {
    while (!finished_.empty()) {
        std::function<void()> next = std::move(finished_.front());
        finished_.pop_front();
        next();
    }
}

}  // namespace qs::instruments
