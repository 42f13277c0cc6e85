#pragma once

// The colours and line styles the curves of a chart are drawn in: series i of a window or
// report gets colour i and a line style that changes from one series to the next, so no two
// series look the same, even in print or to a reader who tells few colours apart.

#include <cstddef>

namespace qs {

enum class LineDash { Solid, Dash, Dot, DashDot, DashDotDot };

struct SeriesStyle {
    const char* colour;  // "#rrggbb", dark enough to read on white
    LineDash dash;
};

// Distinct colours before any repeats; past them the colours come round again, each time
// with other line styles, so a colour and a style never come together twice within
// kSeriesColours * kLineDashes series.
inline constexpr std::size_t kSeriesColours = 20;
inline constexpr std::size_t kLineDashes = 5;

SeriesStyle SeriesStyleAt(std::size_t index);

}  // namespace qs
