#pragma once

#include <cstdint>

#include "platform/tick_source.h"

namespace qs {

// A millisecond countdown on the system tick counter. `counter()` gives the milliseconds
// left; anything below 1 means the countdown has run out.
class clsCmcTick {
public:
    explicit clsCmcTick(const ITickSource& clock) : clock_(&clock) {}

    // Starts (or restarts) the countdown from now.
    void setCounter(std::int32_t milliseconds);
    // Milliseconds left, 0 once run out. Survives the tick counter's wrap from its largest
    // positive value to negative values.
    std::int32_t counter();

private:
    const ITickSource* clock_;
    std::int32_t startTick_ = 0;
    std::int32_t durationMs_ = 0;
    bool running_ = false;
};

}  // namespace qs
