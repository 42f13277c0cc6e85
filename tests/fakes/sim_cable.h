#pragma once

// Joins the in-memory cable to the virtual radio (sim/): what the program writes goes to the
// radio, and `pump()` carries what the radio has sent by the fake clock's time back into the
// program's receive buffer. The radio does its own echo, so the cable's is switched off.
// Closing the port is the program letting go of the line: bytes still on their way are lost.
//
// Header-only, so the shared fakes library does not depend on the virtual radio; suites that
// include it link qs_sim.
//
//   FakeClock clock;  MemoryCable cable;  qtsim::VirtualRadio radio(config);
//   SimCable sim(cable, clock, radio);
//   ... clock.advance(50); sim.pump(); com.timSolid_Timer(); ...

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fakes/fake_clock.h"
#include "fakes/memory_cable.h"
#include "virtual_radio.h"

namespace qs {

class SimCable {
public:
    SimCable(MemoryCable& cable, const FakeClock& clock, qtsim::VirtualRadio& radio)
        : cable_(cable), clock_(clock), radio_(radio), lastTick_(clock.GetTickCount()) {
        cable_.setEcho(false);
        seenCloses_ = cable_.closeCalls();
        cable_.setPeer([this](const Bytes& bytes) {
            noticeClose();
            radio_.fromProgram(bytes, nowMs());
        });
    }
    ~SimCable() { cable_.setPeer(nullptr); }
    SimCable(const SimCable&) = delete;
    SimCable& operator=(const SimCable&) = delete;

    // Delivers everything the radio has sent by now. `raise` announces it with the Receive
    // event as a real port does (which runs the serial service's heartbeat at once).
    void pump(MemoryCable::RaiseEvent raise = MemoryCable::RaiseEvent::No) {
        noticeClose();
        const Bytes bytes = radio_.toProgram(nowMs());
        if (chunkBytes_ == 0) {
            if (!bytes.empty()) cable_.deliver(bytes, raise);
            return;
        }
        for (std::size_t at = 0; at < bytes.size(); at += chunkBytes_) {
            const std::size_t n = std::min(chunkBytes_, bytes.size() - at);
            const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(at);
            cable_.deliver(Bytes(first, first + static_cast<std::ptrdiff_t>(n)), raise);
        }
    }

    // Hands the bytes of one pump over in pieces of at most this many bytes (0: all at once),
    // as a serial port reports arrivals a few bytes at a time. With the Receive event raised
    // for each piece, a fast line (speed 0) then reaches the driver in small reads too.
    void setChunkBytes(std::size_t bytes) { chunkBytes_ = bytes; }

    // Milliseconds on the radio's clock: the fake tick counter, unwrapped.
    std::int64_t nowMs() {
        const std::int32_t tick = clock_.GetTickCount();
        elapsedMs_ += static_cast<std::int32_t>(static_cast<std::uint32_t>(tick) -
                                                static_cast<std::uint32_t>(lastTick_));
        lastTick_ = tick;
        return elapsedMs_;
    }

    qtsim::VirtualRadio& radio() { return radio_; }

private:
    void noticeClose() {
        if (cable_.closeCalls() == seenCloses_) return;
        seenCloses_ = cable_.closeCalls();
        radio_.lineClosed();
    }

    MemoryCable& cable_;
    const FakeClock& clock_;
    qtsim::VirtualRadio& radio_;
    std::int32_t lastTick_;
    std::int64_t elapsedMs_ = 0;
    int seenCloses_ = 0;
    std::size_t chunkBytes_ = 0;
};

}  // namespace qs
