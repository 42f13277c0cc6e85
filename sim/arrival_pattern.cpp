#include "arrival_pattern.h"

#include <charconv>

namespace qtsim {

namespace {

constexpr int kMaxBytes = 4096;
constexpr int kMaxMs = 1000;

bool parseNumber(const std::string& text, int low, int high, int& value) {
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(text.data(), last, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == last && value >= low &&
           value <= high;
}

}  // namespace

bool parseArrival(const std::string& text, ArrivalPattern& pattern, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const auto equals = text.find('=');
    const std::string name = text.substr(0, equals);
    ArrivalPattern parsed;
    if (name == "byte") {
        if (equals != std::string::npos) return fail("arrival 'byte' takes no value");
        pattern = parsed;
        return true;
    }
    if (name == "chunks") {
        parsed = {ArrivalPattern::Kind::Chunks, kDefaultChunkBytes, kDefaultChunkMs};
    } else if (name == "bursts") {
        parsed = {ArrivalPattern::Kind::Bursts, kDefaultBurstBytes, kDefaultBurstIdleMs};
    } else {
        return fail("unknown arrival '" + text + "' (byte, chunks=N/M or bursts=N/M)");
    }
    if (equals != std::string::npos) {
        const std::string value = text.substr(equals + 1);
        const auto slash = value.find('/');
        if (slash == std::string::npos ||
            !parseNumber(value.substr(0, slash), 1, kMaxBytes, parsed.bytes) ||
            !parseNumber(value.substr(slash + 1), 1, kMaxMs, parsed.ms)) {
            return fail("arrival '" + text + "' needs N/M: N bytes from 1 to " +
                        std::to_string(kMaxBytes) + ", M ms from 1 to " + std::to_string(kMaxMs));
        }
    }
    pattern = parsed;
    return true;
}

std::string arrivalText(const ArrivalPattern& pattern) {
    switch (pattern.kind) {
        case ArrivalPattern::Kind::Byte:
            return "byte";
        case ArrivalPattern::Kind::Chunks:
            return "chunks=" + std::to_string(pattern.bytes) + "/" + std::to_string(pattern.ms);
        case ArrivalPattern::Kind::Bursts:
            return "bursts=" + std::to_string(pattern.bytes) + "/" + std::to_string(pattern.ms);
    }
    return "byte";
}

void ArrivalShaper::opened(std::int64_t nowMs) {
    held_.clear();
    openedMs_ = nowMs;
    lastFedMs_ = nowMs;
}

void ArrivalShaper::feed(const Bytes& bytes, std::int64_t nowMs) {
    if (bytes.empty()) return;
    if (held_.empty()) firstHeldMs_ = nowMs;
    held_.insert(held_.end(), bytes.begin(), bytes.end());
    lastFedMs_ = nowMs;
}

std::int64_t ArrivalShaper::nextDueMs() const {
    switch (pattern_.kind) {
        case ArrivalPattern::Kind::Byte:
            return lastFedMs_;
        case ArrivalPattern::Kind::Chunks: {
            // The first tick of the latency timer after the oldest byte held.
            const std::int64_t ticks = (firstHeldMs_ - openedMs_) / pattern_.ms + 1;
            return openedMs_ + ticks * pattern_.ms;
        }
        case ArrivalPattern::Kind::Bursts:
            return lastFedMs_ + pattern_.ms;
    }
    return lastFedMs_;
}

Bytes ArrivalShaper::take(std::int64_t nowMs) {
    Bytes out;
    if (held_.empty()) return out;
    const auto size = static_cast<std::size_t>(pattern_.bytes);
    if (pattern_.kind == ArrivalPattern::Kind::Byte || nowMs >= nextDueMs()) {
        out.swap(held_);
        return out;
    }
    // Whole packets go at once; the rest waits for the timer or the idle gap.
    if (held_.size() >= size) {
        const auto whole = static_cast<std::ptrdiff_t>(held_.size() - held_.size() % size);
        out.assign(held_.begin(), held_.begin() + whole);
        held_.erase(held_.begin(), held_.begin() + whole);
        firstHeldMs_ = nowMs;
    }
    return out;
}

}  // namespace qtsim
