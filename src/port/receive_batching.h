#pragma once

#include <cstdint>

#include "platform/tick_source.h"

namespace qs {

// When a serial port hands received data to the program and when it leaves the data to the
// program's own looks (the 50 ms heartbeat asks for the receive count). The port tells it what
// happened; each call returns what the port does next. No port and no timer live here, so the
// rule is tested on a fake clock.
//
// Invariant: received data is reported at once when it is the first after a quiet line
// (nothing arrived for kQuietMs) or when it comes within kReplyWindowMs of a frame sent and no
// report went out in the last kReplyHoldMs (else at the end of that hold); all other data
// waits for the program's own look, and the port looks by itself only after kStreamLookMs in
// which nobody took any.
class ReceiveBatching {
public:
    // Longer than the gap between the chunks of a USB adapter (its latency timer hands over
    // what it holds every 16 ms), so that a chunked stream is not taken for a quiet line.
    static constexpr std::int32_t kQuietMs = 40;
    // The echo and answer of a frame: an identification answer and its echo take 85 ms at
    // 9600 bit/s; the rest leaves room for the radio to begin its answer.
    static constexpr std::int32_t kReplyWindowMs = 150;
    // Within a reply, at most one report this often: at 9600 bit/s about a byte a report, so
    // that an answer's last byte reaches the driver as it arrives (a longer hold kept it
    // waiting half the hold on average, at every exchange); a chunk stream chunk by chunk.
    static constexpr std::int32_t kReplyHoldMs = 1;
    // Longer than the 50 ms heartbeat, so that in a stream the heartbeat's looks keep the
    // port's own look from coming due.
    static constexpr std::int32_t kStreamLookMs = 80;

    // What the port does after an event.
    struct Plan {
        bool report = false;       // hand what waits to the program now
        bool watch = true;         // have the line watched (a wake-up on arrival)
        std::int32_t lookInMs = -1;  // the port's own look after this long; -1: none
        bool operator==(const Plan&) const = default;
    };

    explicit ReceiveBatching(const ITickSource& clock) : clock_(clock) {}

    // The port opened: a quiet line, watched.
    Plan Opened();
    // The watched line woke the port and data was read.
    Plan Arrived();
    // A frame was handed to the line.
    Plan Sent();
    // The program's own look took data.
    Plan Taken();
    // The port's own look came due; `found` when it found data waiting.
    Plan LookDue(bool found);

    bool watching() const { return watching_; }

private:
    std::int32_t Now() const { return clock_.GetTickCount(); }
    std::int32_t Since(std::int32_t then) const;
    bool InReply() const;
    Plan Report(std::int32_t now, std::int32_t lookInMs);
    Plan Hold(std::int32_t lookInMs);

    const ITickSource& clock_;
    bool watching_ = true;
    bool arrived_ = false;  // anything seen since the opening
    bool sent_ = false;     // any frame sent since the opening
    bool reported_ = false;
    std::int32_t lastArrivalMs_ = 0;
    std::int32_t lastSentMs_ = 0;
    std::int32_t lastReportMs_ = 0;
};

}  // namespace qs
