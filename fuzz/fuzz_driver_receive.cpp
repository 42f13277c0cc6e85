// The driver's receive path fed arbitrary bytes in every wait state and work mode, with
// time moving on between pieces so echo and answer time-outs and retries fire too.
//
// Input: byte 0 chooses the work mode, whether an answer is awaited, the retries and
// whether the echo is fed first (so the bytes meet the answer wait). Then pieces: a control
// byte (low 6 bits: piece length; bit 6: a heartbeat before the piece; bit 7: a long pause
// of 1.1 s before it) followed by that many bytes.
#include <cstddef>
#include <cstdint>

#include "driver_rig.h"

namespace {

constexpr std::int16_t kModes[] = {qs::clsCmcKel3Drv::kModeIdentify,
                                   qs::clsCmcKel3Drv::kModeCloneRead,
                                   qs::clsCmcKel3Drv::kModeAdjust, qs::clsCmcKel3Drv::kModeNone};
constexpr std::int32_t kHeartbeatMs = 50;
constexpr std::int32_t kPauseMs = 1100;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t setup = data[0];
    qs::fuzz::DriverRig rig;
    rig.Start(kModes[setup & 3], (setup & 4) != 0, static_cast<std::int16_t>((setup >> 3) & 3),
              (setup & 0x20) != 0);

    std::size_t at = 1;
    while (at < size) {
        const std::uint8_t control = data[at++];
        if (control & 0x80) rig.Tick(kPauseMs);
        if (control & 0x40) rig.Tick(kHeartbeatMs);
        std::size_t length = control & 0x3F;
        if (length > size - at) length = size - at;
        rig.driver().read(qs::Bytes(data + at, data + at + length));
        at += length;
        qs::fuzz::CheckDriverInvariants(rig.driver());
    }
    // The transaction always ends: time-outs and the retries run out.
    for (int i = 0; i < 200 && rig.driver().Running(); ++i)
        rig.Tick(kHeartbeatMs);
    if (rig.driver().Running()) __builtin_trap();
    qs::fuzz::CheckDriverInvariants(rig.driver());
    return 0;
}
