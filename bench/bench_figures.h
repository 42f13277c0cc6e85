#pragma once

// Measuring and printing for the benchmarks: every figure is printed with the bound it is
// compared against and the ratio, one line each, so runs can be compared by eye or by grep.

#include <cstdint>
#include <string>
#include <vector>

namespace qs::bench {

// Monotonic wall time in seconds.
double WallSeconds();
// Processor time this process has used (user + system), in seconds.
double ProcessCpuSeconds();
// Peak resident memory of this process so far, in KiB.
long PeakResidentKiB();
// The p-th percentile (0..100) of the values, nearest rank; 0 for none.
double Percentile(std::vector<double> values, double p);

// "name: value unit (bound B unit, ratio R)".
void PrintFigure(const std::string& name, double value, double bound, const std::string& unit);
// A figure without a bound (context for the others).
void PrintNote(const std::string& name, double value, const std::string& unit);

// An integer option "--name=N" from the command line, or the fallback.
long OptionValue(int argc, char** argv, const std::string& name, long fallback);

}  // namespace qs::bench
