#pragma once

// The pieces a benchmark needs to run the link code in real time without a window toolkit:
// the system's millisecond tick, a 50 ms timer, and a poll loop that runs the timer and
// hands the port's received bytes over as soon as they arrive.

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

#include "platform/tick_source.h"
#include "platform/timer.h"
#include "posix_serial_port.h"

namespace qs::bench {

class RealClock : public ITickSource {
public:
    std::int32_t GetTickCount() const override {
        using namespace std::chrono;
        const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
    }
};

class LoopTimer : public ITimer {
public:
    void setInterval(std::int32_t milliseconds) override { intervalMs_ = milliseconds; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool enabled() const override { return enabled_; }
    void setHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    std::int32_t interval() const { return intervalMs_ > 0 ? intervalMs_ : 50; }
    void Fire() {
        if (enabled_ && handler_) handler_();
    }

private:
    std::int32_t intervalMs_ = 50;
    bool enabled_ = false;
    std::function<void()> handler_;
};

// Runs the timer every interval and the port's receive path whenever bytes arrive, until
// `done` says so or `limitSeconds` have passed. Returns false on the time limit.
inline bool RunLoop(LoopTimer& timer, PosixSerialPort* port, const std::function<bool()>& done,
                    double limitSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nextBeat = start + std::chrono::milliseconds(timer.interval());
    while (!done()) {
        const auto now = Clock::now();
        if (now - start > std::chrono::duration<double>(limitSeconds)) return false;
        if (now >= nextBeat) {
            timer.Fire();
            nextBeat += std::chrono::milliseconds(timer.interval());
            if (nextBeat < now) nextBeat = now + std::chrono::milliseconds(timer.interval());
            continue;
        }
        const auto waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                nextBeat - now + std::chrono::microseconds(999))
                                .count();
        pollfd pfd{};
        pfd.fd = port != nullptr ? port->fd() : -1;
        pfd.events = static_cast<short>(POLLIN | (port && port->wantsToWrite() ? POLLOUT : 0));
        const int ready = poll(&pfd, pfd.fd >= 0 ? 1 : 0, static_cast<int>(waitMs));
        if (ready > 0 && port != nullptr) port->Poll();
    }
    return true;
}

}  // namespace qs::bench
