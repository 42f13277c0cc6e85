#pragma once

#include <cstdint>

#include "platform/tick_source.h"

namespace qs {

// A tick counter that only moves when a test moves it, so time-outs cost no wall time.
// It wraps like the real counter: from 2147483647 to -2147483648.
class FakeClock : public ITickSource {
public:
    explicit FakeClock(std::int32_t start = 0) : now_(start) {}

    std::int32_t GetTickCount() const override { return now_; }

    void set(std::int32_t value) { now_ = value; }
    void advance(std::int32_t milliseconds) {
        now_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(now_) +
                                         static_cast<std::uint32_t>(milliseconds));
    }

private:
    std::int32_t now_;
};

}  // namespace qs
