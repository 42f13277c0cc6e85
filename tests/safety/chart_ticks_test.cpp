// A chart's time axis: grid lines at round steps, labels that say their grid line's value.
#include <gtest/gtest.h>

#include "record/chart_ticks.h"

namespace qs {
namespace {

TEST(ChartTicksTest, RoundStepsAndLabelsThatMatchThem) {
    const struct {
        double highest;
        double step;
        double end;
        const char* format;
    } rows[] = {
        {10, 2, 10, "%.0f"},     {12.3, 2, 14, "%.0f"},     {17, 2.5, 17.5, "%.1f"},
        {0.7, 0.1, 0.7, "%.1f"}, {95, 20, 100, "%.0f"},     {3600, 500, 4000, "%.0f"},
        {1.9, 0.25, 2, "%.2f"},  {40, 5, 40, "%.0f"},
    };
    for (const auto& row : rows) {
        const AxisTicks ticks = RoundTicks(row.highest, 8);
        EXPECT_DOUBLE_EQ(ticks.step, row.step) << row.highest;
        EXPECT_DOUBLE_EQ(ticks.end, row.end) << row.highest;
        EXPECT_EQ(ticks.LabelFormat(), row.format) << row.highest;
    }
    EXPECT_DOUBLE_EQ(RoundTicks(0, 8).end, 1);  // nothing read yet: an axis all the same
}

}  // namespace
}  // namespace qs
