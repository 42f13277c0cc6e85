#include "port/receive_batching.h"

namespace qs {

std::int32_t ReceiveBatching::Since(std::int32_t then) const {
    // The tick counter wraps; the difference of two readings does not.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Now()) -
                                     static_cast<std::uint32_t>(then));
}

bool ReceiveBatching::InReply() const {
    return sent_ && Since(lastSentMs_) < kReplyWindowMs;
}

ReceiveBatching::Plan ReceiveBatching::Report(std::int32_t now, std::int32_t lookInMs) {
    reported_ = true;
    lastReportMs_ = now;
    watching_ = lookInMs < 0;
    return Plan{true, watching_, lookInMs};
}

ReceiveBatching::Plan ReceiveBatching::Hold(std::int32_t lookInMs) {
    watching_ = false;
    return Plan{false, false, lookInMs};
}

ReceiveBatching::Plan ReceiveBatching::Opened() {
    watching_ = true;
    arrived_ = false;
    sent_ = false;
    reported_ = false;
    return Plan{};
}

ReceiveBatching::Plan ReceiveBatching::Arrived() {
    const std::int32_t now = Now();
    const bool quiet = !arrived_ || Since(lastArrivalMs_) >= kQuietMs;
    arrived_ = true;
    lastArrivalMs_ = now;
    if (InReply()) {
        const std::int32_t sinceReport = Since(lastReportMs_);
        if (!reported_ || sinceReport >= kReplyHoldMs) return Report(now, -1);
        return Hold(kReplyHoldMs - sinceReport);
    }
    if (quiet) return Report(now, -1);
    return Hold(kStreamLookMs);
}

ReceiveBatching::Plan ReceiveBatching::Sent() {
    sent_ = true;
    lastSentMs_ = Now();
    watching_ = true;
    return Plan{};
}

ReceiveBatching::Plan ReceiveBatching::Taken() {
    const std::int32_t now = Now();
    arrived_ = true;
    lastArrivalMs_ = now;
    if (watching_) return Plan{};
    if (InReply()) {
        // What the program took counts as a report.
        reported_ = true;
        lastReportMs_ = now;
        return Hold(kReplyHoldMs);
    }
    return Hold(kStreamLookMs);
}

ReceiveBatching::Plan ReceiveBatching::LookDue(bool found) {
    const std::int32_t now = Now();
    if (!found) {
        watching_ = true;
        return Plan{};
    }
    arrived_ = true;
    lastArrivalMs_ = now;
    // Data nobody took for a whole look goes to the program now, or it would be stranded
    // while the heartbeat is held.
    return Report(now, InReply() ? kReplyHoldMs : kStreamLookMs);
}

}  // namespace qs
