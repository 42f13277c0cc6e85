#pragma once

// Cuts the byte stream from the program into frame bodies, the way the radio listens: a body
// is what lies between the last FE before an end mark and that FD. Bytes outside a frame are
// line noise and are dropped.

#include <cstddef>
#include <vector>

#include "wire_format.h"

namespace qtsim {

class RequestParser {
public:
    // Longest body the radio keeps; a longer run without an end mark is dropped, so a stream
    // of garbage cannot grow the buffer.
    static constexpr std::size_t kMaxBodyBytes = 256;

    // Feeds bytes; returns every body completed by them, in order (destination, source,
    // command, data; without preambles and end mark).
    std::vector<Bytes> feed(const Bytes& bytes);
    // Forgets a half-received frame (the line was closed).
    void reset();

private:
    Bytes body_;
    bool inFrame_ = false;
};

}  // namespace qtsim
