#pragma once

#include <cstdint>
#include <vector>

#include "model/operation_observer.h"

namespace qs {

// What the model read and decided during one connection, each point with its time in
// milliseconds since the connection's image was loaded. The charts draw it and the
// alignment report prints it; the curves file keeps it.
struct TimedReading {
    std::int32_t timeMs = 0;
    ReadingPoint point;
};
struct TimedSweep {
    std::int32_t timeMs = 0;
    SweepPoint point;
};
struct TimedBisection {
    std::int32_t timeMs = 0;
    BisectionPoint point;
};
struct TimedResult {
    std::int32_t timeMs = 0;
    AutoOpResult result;
};

struct CurveLog {
    std::vector<TimedReading> readings;
    std::vector<TimedSweep> sweeps;
    std::vector<TimedBisection> bisections;
    std::vector<TimedResult> results;

    void Clear() { *this = CurveLog{}; }
};

// Sees every point of the log as it is taken, with its time. Called on the program's thread;
// it must return at once.
class ICurveObserver {
public:
    virtual ~ICurveObserver() = default;
    virtual void OnReading(const TimedReading& reading) = 0;
    virtual void OnSweepStep(const TimedSweep& sweep) = 0;
    virtual void OnBisectionStep(const TimedBisection& bisection) = 0;
    virtual void OnResult(const TimedResult& result) = 0;
};

}  // namespace qs
