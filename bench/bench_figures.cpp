#include "bench_figures.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace qs::bench {

double WallSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
    const auto index = static_cast<std::size_t>(std::max(1.0, rank)) - 1;
    return values[std::min(index, values.size() - 1)];
}

void PrintFigure(const std::string& name, double value, double bound, const std::string& unit) {
    const double ratio = bound > 0 ? value / bound : 0.0;
    std::printf("%-44s %12.3f %-4s (bound %10.3f %s, ratio %.3f)\n", (name + ":").c_str(), value,
                unit.c_str(), bound, unit.c_str(), ratio);
    std::fflush(stdout);
}

void PrintNote(const std::string& name, double value, const std::string& unit) {
    std::printf("%-44s %12.3f %s\n", (name + ":").c_str(), value, unit.c_str());
    std::fflush(stdout);
}

long OptionValue(int argc, char** argv, const std::string& name, long fallback) {
    const std::string prefix = "--" + name + "=";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(prefix, 0) == 0) return std::strtol(arg.c_str() + prefix.size(), nullptr, 10);
    }
    return fallback;
}

}  // namespace qs::bench
