// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ChartLayout.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

// The layout for 1, 3 and 6 channels is tested on the chart panel; here the counts and
// sizes that no panel should see.
TEST(ChartLayout, ImpossibleCountsAndSizesGiveNoNegativeOrOversizedCharts) {
    ChartLayout layout;
    std::int16_t chNum = -2;
    layout.Resize(chNum, 200, 100);
    EXPECT_EQ(chNum, -2);
    EXPECT_EQ(layout.Bounds(0), (ChartBounds{0, 0, 200, 100}));
    EXPECT_EQ(layout.Bounds(1), ChartBounds{});

    chNum = 2;
    layout.Resize(chNum, -5, -40);
    EXPECT_EQ(layout.Bounds(0), (ChartBounds{0, 0, 0, 0}));
    EXPECT_EQ(layout.Bounds(1), (ChartBounds{0, 0, 0, 0}));

    chNum = 1;
    layout.Resize(chNum, 10, 100'000);
    EXPECT_EQ(layout.Bounds(0).Height, 32767);
}

} // namespace
} // namespace tessary
