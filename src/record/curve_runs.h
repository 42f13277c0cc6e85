#pragma once

#include <optional>
#include <vector>

#include "record/curve_log.h"

namespace qs {

// One sweep of one band-pass filter: its steps in order and how it ended (nothing when the
// sweep was cut short, by a lost radio say).
struct SweepRun {
    int filter = 0;
    std::vector<SweepPoint> points;
    std::optional<AutoOpResult> result;
};

// One automatic level adjustment of one item: its readings in order and how it ended.
struct BisectionRun {
    int item = 0;
    int target = 0;
    std::vector<BisectionPoint> points;
    std::optional<AutoOpResult> result;
};

// The log's steps cut into runs, each ended by its operation's result, in time order.
std::vector<SweepRun> SweepRuns(const CurveLog& log);
std::vector<BisectionRun> BisectionRuns(const CurveLog& log);

}  // namespace qs
