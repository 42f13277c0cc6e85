#pragma once

#include <cstdint>

namespace qs {
class Application;
}

namespace qs::procedure {

// Proof that the radio still answers while a run waits on something else (the technician, a
// time, an instrument): a reading exchange once none has been answered for kWatchMs, so that a
// radio gone silent is noticed within seconds, not at the next step that talks to it. Its line
// bytes, hidden in those waits, are not part of the least the run could take.
class RadioWatch {
public:
    // With the driver's three answer time-outs after it, a radio gone silent ends the run (RF
    // off) within 5 s of its last answer.
    static constexpr std::int32_t kWatchMs = 1000;

    explicit RadioWatch(Application& app) : app_(app) {}

    void Begin(std::int32_t now);
    // Takes note of the readings answered; sends a reading as Reload does when one is due, the
    // run waits on something off the radio, the core is settled and no operation runs.
    void Look(std::int32_t now, bool waitingOffTheRadio);
    bool inFlight() const { return inFlight_; }
    // Milliseconds until the next reading is due (at least 0).
    std::int32_t DueInMs(std::int32_t now) const;
    // The watch's bytes so far were hidden in a wait; from here on they are the run's own.
    void Unhide();
    std::uint64_t hiddenBytes() const { return bytes_; }

private:
    Application& app_;
    std::int32_t lastProofTick_ = 0;  // when the radio last answered a reading
    std::uint32_t lastReadings_ = 0;
    bool inFlight_ = false;  // its reading exchange is under way
    bool hidden_ = false;    // and the run still waits on something else
    std::uint64_t startBytes_ = 0;
    std::uint64_t bytes_ = 0;
};

}  // namespace qs::procedure
