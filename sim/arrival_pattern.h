#pragma once

// How the bytes the radio puts on the line reach the program: the last piece of a cable.
//
//   byte        each byte as soon as it has left the line (a plain UART, as before)
//   chunks=N/M  a USB adapter: it holds what the line delivers and hands it over when N bytes
//               are held (a full packet) and at every tick of its latency timer, every M ms
//               from the opening; chunks=16/16 at 9600 bit/s gives about 16 bytes every 16 ms
//   bursts=N/M  a packing bridge (a network serial server, a Bluetooth serial link): it
//               forwards what it holds when N bytes are held or when the line has been idle
//               for M ms; a long answer comes as N-byte bursts with long pauses between, a
//               short one M ms after its last byte
//
// The shaper takes the bytes in the order the line releases them and never changes, drops or
// reorders one: only the moment each reaches the terminal.

#include <cstdint>
#include <string>

#include "wire_format.h"

namespace qtsim {

struct ArrivalPattern {
    enum class Kind { Byte, Chunks, Bursts };
    Kind kind = Kind::Byte;
    int bytes = 0;  // N
    int ms = 0;     // M
};

inline constexpr int kDefaultChunkBytes = 16;
inline constexpr int kDefaultChunkMs = 16;
inline constexpr int kDefaultBurstBytes = 256;
inline constexpr int kDefaultBurstIdleMs = 20;

// "byte", "chunks", "chunks=N/M", "bursts", "bursts=N/M" (N 1..4096, M 1..1000).
bool parseArrival(const std::string& text, ArrivalPattern& pattern, std::string* error);
std::string arrivalText(const ArrivalPattern& pattern);

class ArrivalShaper {
public:
    explicit ArrivalShaper(ArrivalPattern pattern = {}) : pattern_(pattern) {}

    // The device was opened at `nowMs`: nothing held, the latency timer starts.
    void opened(std::int64_t nowMs);
    // Bytes that have left the line by `nowMs`.
    void feed(const Bytes& bytes, std::int64_t nowMs);
    // What reaches the terminal by `nowMs`.
    Bytes take(std::int64_t nowMs);
    bool holding() const { return !held_.empty(); }
    // When take() hands over next; meaningful only while holding.
    std::int64_t nextDueMs() const;
    void clear() { held_.clear(); }
    const ArrivalPattern& pattern() const { return pattern_; }

private:
    ArrivalPattern pattern_;
    Bytes held_;
    std::int64_t openedMs_ = 0;
    std::int64_t firstHeldMs_ = 0;
    std::int64_t lastFedMs_ = 0;
};

}  // namespace qtsim
