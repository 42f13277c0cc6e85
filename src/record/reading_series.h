#pragma once

#include <optional>
#include <string>

#include "model/operation_observer.h"

namespace qs {

// A reading row as a chart series: its name, its unit and the value in that unit, the same
// conversions as the rows of the [A/D] and [D/A] lists.
struct ReadingSeriesInfo {
    std::string name;  // "VIN", "TEMPS", "T1/POW" ...
    std::string unit;  // "V", "°C" or "%" (UTF-8)
};

// Nothing for A/D row 4, which has no label and shows nothing.
std::optional<ReadingSeriesInfo> ReadingSeries(ReadingGroup group, int index);
// The value in the series' unit; nothing where the row shows "*Error" (TEMPS raw 0 or 255).
std::optional<double> ReadingSeriesValue(ReadingGroup group, int index, int raw);

}  // namespace qs
