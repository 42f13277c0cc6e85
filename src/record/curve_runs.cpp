#include "record/curve_runs.h"

namespace qs {
namespace {

// Walks steps and results in time order (a result after the steps of the same millisecond,
// since an operation ends only after its last reading) and cuts a run at each result.
template <typename Run, typename Step, typename ItemOf, typename Start>
std::vector<Run> Runs(const std::vector<Step>& steps, const CurveLog& log, AutoOpKind kind,
                      ItemOf itemOf, Start start) {
    std::vector<Run> runs;
    std::vector<std::size_t> open;  // index in `runs` of the open run per item, or npos
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    open.assign(2, kNone);
    std::size_t r = 0;
    auto closeWith = [&](const TimedResult& result) {
        const auto item = static_cast<std::size_t>(result.result.item);
        if (item >= open.size()) return;
        if (open[item] == kNone) {
            // A result without steps (cannot happen from the model, but a file may say so).
            runs.push_back({});
            runs.back().result = result.result;
            return;
        }
        runs[open[item]].result = result.result;
        open[item] = kNone;
    };
    for (const Step& step : steps) {
        while (r < log.results.size() && log.results[r].timeMs < step.timeMs) {
            if (log.results[r].result.kind == kind) closeWith(log.results[r]);
            ++r;
        }
        const auto item = static_cast<std::size_t>(itemOf(step.point));
        if (item >= open.size()) continue;
        if (open[item] == kNone) {
            runs.push_back(start(step.point));
            open[item] = runs.size() - 1;
        }
        runs[open[item]].points.push_back(step.point);
    }
    for (; r < log.results.size(); ++r) {
        if (log.results[r].result.kind == kind) closeWith(log.results[r]);
    }
    return runs;
}

}  // namespace

std::vector<SweepRun> SweepRuns(const CurveLog& log) {
    auto runs = Runs<SweepRun>(
        log.sweeps, log, AutoOpKind::BandPassSweep, [](const SweepPoint& p) { return p.filter; },
        [](const SweepPoint& p) { return SweepRun{p.filter, {}, std::nullopt}; });
    for (SweepRun& run : runs) {
        if (run.points.empty() && run.result) run.filter = run.result->item;
    }
    return runs;
}

std::vector<BisectionRun> BisectionRuns(const CurveLog& log) {
    auto runs = Runs<BisectionRun>(
        log.bisections, log, AutoOpKind::LevelAdjust,
        [](const BisectionPoint& p) { return p.item; },
        [](const BisectionPoint& p) { return BisectionRun{p.item, p.target, {}, std::nullopt}; });
    for (BisectionRun& run : runs) {
        if (run.points.empty() && run.result) {
            run.item = run.result->item;
            run.target = run.result->first;
        }
    }
    return runs;
}

}  // namespace qs
