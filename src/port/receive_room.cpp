#include "port/receive_room.h"

#include <algorithm>

namespace qs {

void ReceiveRoom::Opened(std::optional<std::int64_t> lostCount) {
    baseline_ = lostCount;
    fullSince_.reset();
    reported_ = false;
}

std::int64_t ReceiveRoom::Room(std::int64_t held, std::int64_t capacity) {
    return std::max<std::int64_t>(0, capacity - held);
}

bool ReceiveRoom::Look(std::int64_t held, std::int64_t capacity, bool moreWaiting,
                       std::optional<std::int64_t> lostCount) {
    bool lost = false;
    if (baseline_ && lostCount) {
        // A driver whose counters went back (reset by another program) starts afresh.
        if (*lostCount > *baseline_) lost = true;
        if (*lostCount < *baseline_) baseline_ = lostCount;
    }
    const std::int32_t now = clock_.GetTickCount();
    if (held >= capacity && moreWaiting) {
        if (!fullSince_) fullSince_ = now;
        const auto fullMs = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                                      static_cast<std::uint32_t>(*fullSince_));
        if (fullMs >= kStaysFullMs) lost = true;
    } else {
        fullSince_.reset();
    }
    if (!lost || reported_) return false;
    reported_ = true;
    return true;
}

}  // namespace qs
