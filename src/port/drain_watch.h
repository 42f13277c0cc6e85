#pragma once

#include <cstdint>
#include <string>

namespace qs {

// Whether the bytes handed to a serial port leave for the line. Without it a line that takes
// nothing shows only when the protocol's echo time-out runs out, and a frame that awaits no
// answer never shows it at all. The port checks kBoundMs after a write that left bytes
// waiting, and again as long as bytes keep leaving.
class DrainWatch {
public:
    // Half the echo time-out, so the failure shows first; a working line at 9600 bit/s moves
    // 480 bytes in that time, many times the longest frame the program sends.
    static constexpr std::int32_t kBoundMs = 500;

    enum class Verdict { Drained, Draining, Stalled };

    // After a write: `written` counts every byte ever handed to the port, `queued` those not
    // yet on the line. True when the port is to check in kBoundMs (none is pending yet).
    bool Written(std::int64_t written, std::int64_t queued);
    // The check: Draining asks for another in kBoundMs; Stalled when no byte left since the
    // last one.
    Verdict Check(std::int64_t written, std::int64_t queued);
    // Forgets the pending check (the port closed or its queue was emptied).
    void Reset() { armed_ = false; }
    // Why the port is given up after a Stalled check, in the words of the lost-device report.
    static std::string StalledReason(const std::string& device, std::int64_t queued);
    bool armed() const { return armed_; }

private:
    bool armed_ = false;
    std::int64_t leftAtCheck_ = 0;
};

}  // namespace qs
