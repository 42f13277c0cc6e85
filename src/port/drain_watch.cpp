#include "port/drain_watch.h"

namespace qs {

bool DrainWatch::Written(std::int64_t written, std::int64_t queued) {
    if (queued <= 0 || armed_) return false;
    armed_ = true;
    leftAtCheck_ = written - queued;
    return true;
}

DrainWatch::Verdict DrainWatch::Check(std::int64_t written, std::int64_t queued) {
    const std::int64_t left = written - queued;
    if (queued <= 0) {
        armed_ = false;
        return Verdict::Drained;
    }
    if (left > leftAtCheck_) {
        leftAtCheck_ = left;
        return Verdict::Draining;
    }
    armed_ = false;
    return Verdict::Stalled;
}

std::string DrainWatch::StalledReason(const std::string& device, std::int64_t queued) {
    return device + ": " + std::to_string(queued) + " bytes did not leave for the line within " +
           std::to_string(kBoundMs) + " ms";
}

}  // namespace qs
