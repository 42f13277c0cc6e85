#include "line_pacer.h"

#include <algorithm>

namespace qtsim {

void LinePacer::queue(const Bytes& bytes, std::int64_t nowUs) {
    std::int64_t bit = std::max(lineFreeBit_, bitTime(nowUs));
    for (std::uint8_t b : bytes) {
        bit += kBitsPerByte;
        bytes_.push_back({bit, b});
    }
    lineFreeBit_ = bit;
}

Bytes LinePacer::release(std::int64_t nowUs) {
    Bytes out;
    const std::int64_t now = bitTime(nowUs);
    while (!bytes_.empty() && (bitsPerSecond_ <= 0 || bytes_.front().dueBit <= now)) {
        out.push_back(bytes_.front().value);
        bytes_.pop_front();
    }
    return out;
}

std::int64_t LinePacer::nextDueUs() const {
    if (bytes_.empty() || bitsPerSecond_ <= 0) return 0;
    // Round up: the byte is due at the first whole microsecond by which it has left.
    return (bytes_.front().dueBit * 1000000 + bitsPerSecond_ - 1) / bitsPerSecond_;
}

void LinePacer::clear() {
    bytes_.clear();
}

}  // namespace qtsim
