#pragma once

#include <cstdint>
#include <optional>

#include "platform/tick_source.h"

namespace qs {

// How much a serial port may take from the driver, and when received bytes count as lost.
// The port reads no more than its receive buffer has room for and leaves the rest in the
// driver: a pseudo-terminal, or a line with flow control, holds it without loss, so a line
// faster than the program's looks is never taken for an overflow. Bytes are lost only when
// the driver says so (its overrun counters rose since the opening) or when the buffer stays
// full for kStaysFullMs with more waiting behind it: the program is not taking its data (a
// dialog held the heartbeat) and a line without flow control drops what comes next.
class ReceiveRoom {
public:
    // Forty heartbeats: a stalled tick on a loaded machine is far shorter, a program that has
    // stopped taking its data far longer.
    static constexpr std::int32_t kStaysFullMs = 2000;

    explicit ReceiveRoom(const ITickSource& clock) : clock_(clock) {}

    // The port opened; `lostCount` is the driver's count of lost bytes, if it keeps one.
    void Opened(std::optional<std::int64_t> lostCount);
    // Bytes the port may read while it holds `held` of `capacity`.
    static std::int64_t Room(std::int64_t held, std::int64_t capacity);
    // After a look at the line: what the port holds, whether the driver holds more behind
    // it, and the driver's lost count now. True once when bytes count as lost; a second loss
    // before the next opening is not reported again.
    bool Look(std::int64_t held, std::int64_t capacity, bool moreWaiting,
              std::optional<std::int64_t> lostCount);
    // The program took what the port held.
    void Taken() { fullSince_.reset(); }

    bool lossReported() const { return reported_; }

private:
    const ITickSource& clock_;
    std::optional<std::int64_t> baseline_;
    std::optional<std::int32_t> fullSince_;
    bool reported_ = false;
};

}  // namespace qs
