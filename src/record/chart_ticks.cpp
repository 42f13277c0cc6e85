#include "record/chart_ticks.h"

#include <algorithm>
#include <cmath>

namespace qs {
namespace {

constexpr double kMultiples[] = {1.0, 2.0, 2.5, 5.0, 10.0};

// Decimals that write `step` and its multiples exactly: 2.5 needs one, 0.25 two, 5 none.
int DecimalsOf(double step) {
    int decimals = 0;
    double scaled = step;
    while (decimals < 6 && std::fabs(scaled - std::round(scaled)) > 1e-9 * std::max(1.0, scaled)) {
        scaled *= 10;
        ++decimals;
    }
    return decimals;
}

}  // namespace

std::string AxisTicks::LabelFormat() const {
    return "%." + std::to_string(decimals) + "f";
}

AxisTicks RoundTicks(double highest, int maxTicks) {
    AxisTicks ticks;
    if (!(highest > 0) || maxTicks < 1) return ticks;
    const double least = highest / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (double multiple : kMultiples) {
        ticks.step = multiple * power;
        if (ticks.step >= least * (1 - 1e-12)) break;
    }
    ticks.end = std::ceil(highest / ticks.step - 1e-9) * ticks.step;
    ticks.decimals = DecimalsOf(ticks.step);
    return ticks;
}

}  // namespace qs
