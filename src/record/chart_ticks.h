#pragma once

// Where an axis of a chart has its grid lines and labels: at round numbers (steps of 1, 2,
// 2.5 or 5 times a power of ten), each label written with just the decimals its step needs,
// so that every label says exactly the value of its grid line.

#include <string>

namespace qs {

struct AxisTicks {
    double step = 1;  // between grid lines
    double end = 1;   // the axis' end: the first grid line at or past the highest value
    int decimals = 0;
    std::string LabelFormat() const;  // for printf: "%.0f", "%.1f"
};

// Ticks from 0 to at least `highest` with no more than `maxTicks` steps.
AxisTicks RoundTicks(double highest, int maxTicks);

}  // namespace qs
