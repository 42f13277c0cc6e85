// The charts' palette: no colour comes twice before the palette is used up, and no colour
// comes twice with the same line style within the number of series a chart can show.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "record/series_palette.h"

namespace qs {
namespace {

TEST(SeriesPaletteTest, NoTwoSeriesLookAlike) {
    std::set<std::string> colours;
    std::set<std::pair<std::string, LineDash>> styles;
    for (std::size_t i = 0; i < kSeriesColours * kLineDashes; ++i) {
        const SeriesStyle style = SeriesStyleAt(i);
        if (i < kSeriesColours) {
            EXPECT_TRUE(colours.insert(style.colour).second) << i;
        }
        EXPECT_TRUE(styles.insert({style.colour, style.dash}).second) << i;
        if (i > 0) {
            EXPECT_NE(style.dash, SeriesStyleAt(i - 1).dash) << "neighbours differ " << i;
        }
    }
}

}  // namespace
}  // namespace qs
