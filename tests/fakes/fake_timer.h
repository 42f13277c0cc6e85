#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/timer.h"

namespace qs {

// A periodic timer that tests fire by hand. `fire()` runs the handler only while enabled,
// as a real timer would; `fireAlways()` runs it regardless.
class FakeTimer : public ITimer {
public:
    void setInterval(std::int32_t milliseconds) override { intervalMs_ = milliseconds; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool enabled() const override { return enabled_; }
    void setHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

    std::int32_t interval() const { return intervalMs_; }
    bool hasHandler() const { return static_cast<bool>(handler_); }

    // Runs the handler once if the timer is enabled; returns whether it ran.
    bool fire() {
        if (!enabled_ || !handler_) return false;
        handler_();
        return true;
    }
    void fireAlways() {
        if (handler_) handler_();
    }

private:
    std::int32_t intervalMs_ = 0;
    bool enabled_ = false;
    std::function<void()> handler_;
};

}  // namespace qs
