#pragma once

// The radio's transmit line: bytes leave one after another at the line speed, 10 bits on the
// line per byte (start, 8 data, stop). A speed of 0 lets every byte go at once. Times are in
// microseconds, so that a byte leaves when its last bit has, not at the next whole millisecond.

#include <cstdint>
#include <deque>

#include "wire_format.h"

namespace qtsim {

class LinePacer {
public:
    static constexpr int kBitsPerByte = 10;

    explicit LinePacer(int bitsPerSecond = 9600) : bitsPerSecond_(bitsPerSecond) {}

    int bitsPerSecond() const { return bitsPerSecond_; }

    // Bytes handed to the line at `nowUs`; they leave after everything queued before them.
    void queue(const Bytes& bytes, std::int64_t nowUs);
    // Every byte whose last bit has left the line by `nowUs`.
    Bytes release(std::int64_t nowUs);
    bool pending() const { return !bytes_.empty(); }
    // When the next byte will have left, rounded up to the microsecond; meaningful only while
    // something is pending.
    std::int64_t nextDueUs() const;
    // Forgets everything not yet sent.
    void clear();

private:
    struct Queued {
        std::int64_t dueBit;  // line time, in bit periods, at which the byte has left
        std::uint8_t value;
    };

    std::int64_t bitTime(std::int64_t us) const { return us * bitsPerSecond_ / 1000000; }

    int bitsPerSecond_;
    std::int64_t lineFreeBit_ = 0;
    std::deque<Queued> bytes_;
};

}  // namespace qtsim
