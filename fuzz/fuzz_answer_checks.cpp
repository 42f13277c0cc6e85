// The answer checks on arbitrary bodies: the driver's E1, E4, E5 and E8 checks (reached by
// framing the body after the echo in the matching work mode) and the model's reading answer
// check. Input: byte 0 chooses the work mode and whether a valid identification comes first
// (so the end-address and block-counter paths are live); the rest is the body.
#include <cstddef>
#include <cstdint>

#include "driver_rig.h"
#include "model/reading_text.h"

namespace {

constexpr std::int16_t kModes[] = {qs::clsCmcKel3Drv::kModeIdentify,
                                   qs::clsCmcKel3Drv::kModeCloneRead,
                                   qs::clsCmcKel3Drv::kModeAdjust};

qs::Bytes Framed(const qs::Bytes& body) {
    qs::Bytes frame{0xFE, 0xFE};
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(0xFD);
    return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t setup = data[0];
    const qs::Bytes body(data + 1, data + size);

    // The model's reading check on the raw bytes, against the real identity bytes.
    const qs::Bytes idBytes = qs::HexTextToBytes("30170102");
    const bool bad = qs::CheckE8Answer(body, idBytes);
    const std::int16_t value = qs::E8AnswerValue(body);
    if (value < 0 || value > 255) __builtin_trap();
    if (!bad && body.size() != 7) __builtin_trap();

    // The driver's checks: the body is the radio's answer, wrapped in preamble and end mark.
    // FE and FD inside the body cut it as they would on the line.
    qs::fuzz::DriverRig rig;
    rig.Start(kModes[setup % 3], true, 0, true);
    qs::Bytes answer = body;
    if (setup & 0x80) {
        // Put the command code in place so the fuzzer reaches past the address checks.
        static constexpr std::uint8_t kCodes[] = {0xE1, 0xE4, 0xE8};
        answer.insert(answer.begin(), {0xEF, 0xEE, kCodes[setup % 3]});
    }
    rig.driver().read(Framed(answer));
    qs::fuzz::CheckDriverInvariants(rig.driver());
    // A second copy arrives: whatever the first did, the state stays consistent.
    rig.driver().read(Framed(answer));
    qs::fuzz::CheckDriverInvariants(rig.driver());
    return 0;
}
