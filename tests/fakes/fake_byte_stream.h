#pragma once

// Byte streams to a make-believe instrument, for tests of the bench on the fake clock.
// Every stream the factory makes is kept, so a test can see what was written and act as the
// instrument: by hand (Accept, Deliver, Fail) or through a responder that answers each line
// written. Answers are held until pump() (never handed over inside write, as a real stream
// never calls back inside a call).
//
//   FakeStreams streams;
//   streams.respond = [](const std::string& line) -> std::optional<std::string> { ... };
//   ... streams.pump(); timer.fire(); ...

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/byte_stream.h"

namespace qs {

class FakeStreams;

// What a stream saw; kept by the factory after the stream itself is gone.
struct FakeStreamRecord {
    std::string written;
    bool closed = false;
};

class FakeByteStream : public IByteStream {
public:
    FakeByteStream(FakeStreams& owner, std::shared_ptr<FakeStreamRecord> record)
        : owner_(owner), record_(std::move(record)) {}
    ~FakeByteStream() override;

    void setHandlers(Handlers handlers) override { handlers_ = std::move(handlers); }
    void open() override { opening_ = true; }
    bool isOpen() const override { return open_; }
    bool write(const Bytes& data) override;
    void close() override {
        open_ = false;
        opening_ = false;
        record_->closed = true;
    }

    // The instrument's side.
    void Accept() {
        opening_ = false;
        open_ = true;
        if (handlers_.opened) handlers_.opened();
    }
    void Deliver(const std::string& text) {
        if (open_ && handlers_.received) handlers_.received(Bytes(text.begin(), text.end()));
    }
    void Fail(const std::string& reason) {
        const bool wasActive = open_ || opening_;
        open_ = false;
        opening_ = false;
        if (wasActive && handlers_.failed) handlers_.failed(reason);
    }

    bool opening() const { return opening_; }
    bool closed() const { return record_->closed; }
    // Everything written, as text.
    const std::string& written() const { return record_->written; }

private:
    friend class FakeStreams;
    FakeStreams& owner_;
    std::shared_ptr<FakeStreamRecord> record_;
    Handlers handlers_;
    bool opening_ = false;
    bool open_ = false;
    std::string partialLine_;
    std::vector<std::string> pending_;  // answers to hand over at the next pump
};

class FakeStreams : public IByteStreamFactory {
public:
    // Answers one line written by the program (without its LF); nothing for no answer.
    std::function<std::optional<std::string>(const std::string& line)> respond;
    // What the next openings do at pump(): accept, or fail with this reason.
    bool acceptOpening = true;
    std::string refuseReason;
    // Makes no stream at all, with this reason.
    std::string cannotCreate;

    std::unique_ptr<IByteStream> Create(const StreamEndpoint& endpoint,
                                        std::string* error) override {
        endpoints.push_back(endpoint);
        if (!cannotCreate.empty()) {
            if (error) *error = cannotCreate;
            return nullptr;
        }
        records.push_back(std::make_shared<FakeStreamRecord>());
        auto stream = std::make_unique<FakeByteStream>(*this, records.back());
        streams.push_back(stream.get());
        return stream;
    }

    // Settles openings and hands over the answers written so far.
    void pump() {
        for (std::size_t i = 0; i < streams.size(); ++i) {
            FakeByteStream* s = streams[i];
            if (s->closed()) continue;
            if (s->opening_) {
                if (!refuseReason.empty()) {
                    s->Fail(refuseReason);
                } else if (acceptOpening) {
                    s->Accept();
                }
                continue;
            }
            std::vector<std::string> answers;
            answers.swap(s->pending_);
            for (const std::string& answer : answers)
                s->Deliver(answer);
        }
    }

    FakeByteStream& last() { return *streams.back(); }
    // What the n-th stream made (from 0) wrote, also after it is gone.
    const std::string& written(std::size_t n) const { return records.at(n)->written; }
    std::size_t created() const { return records.size(); }

    // The streams alive now; each removes itself when destroyed.
    std::vector<FakeByteStream*> streams;
    std::vector<std::shared_ptr<FakeStreamRecord>> records;
    std::vector<StreamEndpoint> endpoints;
};

inline FakeByteStream::~FakeByteStream() {
    auto& live = owner_.streams;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

inline bool FakeByteStream::write(const Bytes& data) {
    if (!open_) return false;
    const std::string text(data.begin(), data.end());
    record_->written += text;
    partialLine_ += text;
    std::size_t newline = 0;
    while ((newline = partialLine_.find('\n')) != std::string::npos) {
        const std::string line = partialLine_.substr(0, newline);
        partialLine_.erase(0, newline + 1);
        if (!owner_.respond) continue;
        if (const auto answer = owner_.respond(line)) pending_.push_back(*answer);
    }
    return true;
}

}  // namespace qs
