#include "record/series_palette.h"

#include <array>

namespace qs {

namespace {

// Neighbours differ in hue first; the later ones are the darker shades of the earlier hues.
constexpr std::array<const char*, kSeriesColours> kColours{
    "#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#8c564b", "#e377c2",
    "#7f7f7f", "#bcbd22", "#17becf", "#393b79", "#843c39", "#637939", "#8c6d31",
    "#7b4173", "#3182bd", "#e6550d", "#31a354", "#756bb1", "#252525"};

constexpr std::array<LineDash, kLineDashes> kDashes{LineDash::Solid, LineDash::Dash,
                                                    LineDash::DashDot, LineDash::Dot,
                                                    LineDash::DashDotDot};

}  // namespace

SeriesStyle SeriesStyleAt(std::size_t index) {
    const std::size_t round = index / kSeriesColours;
    return {kColours[index % kSeriesColours], kDashes[(index + round) % kLineDashes]};
}

}  // namespace qs
