#include "link/tick.h"

namespace qs {

namespace {
// Half the tick range: a gap this large means the start tick is stale, not recent.
constexpr std::int32_t kQuarterRange = 1073741824;  // 2^30
}  // namespace

void clsCmcTick::setCounter(std::int32_t milliseconds) {
    startTick_ = clock_->GetTickCount();
    durationMs_ = milliseconds;
    running_ = true;
}

std::int32_t clsCmcTick::counter() {
    if (!running_) return 0;
    const std::int32_t now = clock_->GetTickCount();
    // 64-bit intermediates: the differences below can exceed the 32-bit range.
    std::int64_t elapsed = 0;
    if (now >= startTick_) {
        if (now / 2 - startTick_ / 2 >= kQuarterRange) {
            running_ = false;
            return 0;
        }
        elapsed = static_cast<std::int64_t>(now) - startTick_;
    } else {
        if (!(now <= -kQuarterRange && startTick_ >= kQuarterRange)) {
            running_ = false;
            return 0;
        }
        // The step from 2147483647 to -2147483648 is itself one millisecond.
        elapsed = (static_cast<std::int64_t>(2147483647) - startTick_) +
                  (static_cast<std::int64_t>(now) + 2147483648LL) + 1;
    }
    if (elapsed < durationMs_) return static_cast<std::int32_t>(durationMs_ - elapsed);
    running_ = false;
    return 0;
}

}  // namespace qs
