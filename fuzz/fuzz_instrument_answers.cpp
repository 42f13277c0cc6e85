// What an instrument sends and a shop's profile file, on arbitrary bytes: the profile reader
// either accepts or names a line; the bench takes any bytes as answers (in pieces of the
// input's choosing) and every request still ends, with a value only when it succeeded.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fakes/fake_byte_stream.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_timer.h"
#include "instruments/bench.h"
#include "instruments/profile.h"
#include "instruments/resource.h"

using namespace qs;
using namespace qs::instruments;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Result<Profile> profile = ParseProfile(text, "f");
    if (!profile && profile.error().message.rfind("f:", 0) != 0) __builtin_trap();
    (void)ParseResource(text);

    FakeClock clock;
    FakeTimer timer;
    FakeStreams streams;
    Bench bench(streams, timer, clock);
    for (Role role : kRoles)
        bench.Assign(role, "TCPIP::10.0.0.1::SOCKET");
    int ended = 0;
    bench.SetFrequency(146.52e6, [&](const Status&) { ++ended; });
    auto measured = [&](const Result<Measurement>& r) {
        ++ended;
        if (r && !(r.value().value == r.value().value)) __builtin_trap();  // never NaN
    };
    bench.Measure(Quantity::Power, measured);
    bench.Measure(Quantity::Frequency, measured);
    // The input in pieces: each byte below 8 ends a piece and lets time pass.
    std::size_t at = 0;
    for (int turn = 0; turn < 400 && ended < 3; ++turn) {
        streams.pump();
        if (!streams.streams.empty() && at < text.size()) {
            std::string piece;
            while (at < text.size() && static_cast<unsigned char>(text[at]) >= 8)
                piece += text[at++];
            ++at;
            streams.last().Deliver(piece);
        }
        clock.advance(Bench::kTickMs);
        timer.fire();
    }
    if (ended != 3) __builtin_trap();
    return 0;
}
