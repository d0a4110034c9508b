// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/AxisScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace tessary {
namespace {

// Seven pixels a character and a gap of ten, as a time axis measures its labels.
double TextRoom(const std::vector<std::string>& labels) {
    std::size_t widest = 0;
    for (const std::string& label : labels) {
        widest = std::max(widest, label.size());
    }
    return 7.0 * static_cast<double>(widest) + 10.0;
}

bool Fits(const AxisTicks& ticks, double length) {
    return length / static_cast<double>(ticks.Values.size() - 1) >= TextRoom(ticks.Labels);
}

// Random ranges of every size and sign on axes of every length: the step is 1, 2 or 5 × 10^n,
// the axis is the data rounded out by less than a step, every label reads back as its tick,
// neighbouring labels have their room, and the next finer round step would not give it.
TEST(AxisScale, TicksAreRoundTheAxisHugsTheDataAndTheStepIsTheFinestThatFits) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> decade(-7, 8);
    std::uniform_real_distribution<double> length(30.0, 1500.0);
    for (int round = 0; round < 3000; ++round) {
        const double scale = std::pow(10.0, decade(random));
        const double a = unit(random) * scale;
        const double b = a + std::fabs(unit(random)) * scale * std::pow(10.0, -decade(random) % 3);
        const double pixels = length(random);
        const AxisTicks ticks = AxisScale::Fit(a, b, pixels, TextRoom);
        SCOPED_TRACE(testing::Message() << "data " << a << " to " << b << " on " << pixels);
        ASSERT_GE(ticks.Values.size(), 2u);
        ASSERT_EQ(ticks.Labels.size(), ticks.Values.size());
        const double step = (ticks.Values.back() - ticks.Values.front()) /
                            static_cast<double>(ticks.Values.size() - 1);
        const int exponent = static_cast<int>(std::floor(std::log10(step) + 1e-9));
        const double mantissa = step / std::pow(10.0, exponent);
        const long rounded = std::lround(mantissa);
        ASSERT_TRUE(rounded == 1 || rounded == 2 || rounded == 5) << "step " << step;
        ASSERT_NEAR(mantissa, static_cast<double>(rounded), 1e-6);
        for (std::size_t i = 0; i < ticks.Values.size(); ++i) {
            ASSERT_NEAR(ticks.Values[i], ticks.Values[0] + static_cast<double>(i) * step,
                        step * 1e-6);
            const double multiple = ticks.Values[i] / step;
            ASSERT_NEAR(multiple, std::round(multiple), 1e-6 + std::fabs(multiple) * 1e-9);
            const double read = std::strtod(ticks.Labels[i].c_str(), nullptr);
            ASSERT_NEAR(read, ticks.Values[i], step * 1e-6) << ticks.Labels[i];
        }
        EXPECT_EQ(ticks.Min, ticks.Values.front());
        EXPECT_EQ(ticks.Max, ticks.Values.back());
        EXPECT_LE(ticks.Min, a);
        EXPECT_GE(ticks.Max, b);
        EXPECT_GT(ticks.Min, a - step);
        EXPECT_LT(ticks.Max, b + step);
        if (!Fits(ticks, pixels)) {
            EXPECT_LE(ticks.Values.size(), 3u) << "only the fewest intervals may not fit";
            continue;
        }
        const int finerMantissa = rounded == 1 ? 5 : rounded == 2 ? 1 : 2;
        const int finerExponent = rounded == 1 ? exponent - 1 : exponent;
        EXPECT_FALSE(Fits(AxisScale::WithStep(a, b, finerMantissa, finerExponent), pixels));
    }
}

TEST(AxisScale, LabelsOfSmallLargeAndNegativeRanges) {
    struct Case {
        double Low;
        double High;
        double Length;
        std::vector<std::string> Labels;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        // The ranges that used to be split evenly into 3999 / 1999.5 / -1999.5 and 0 / 2.4975.
        {-1999.5, 3999.0, 100.0, {"-2000", "0", "2000", "4000"}},
        {0.0, 4.995, 100.0, {"0", "1", "2", "3", "4", "5"}},
        {-0.42, 0.93, 100.0, {"-0.5", "0.0", "0.5", "1.0"}},
        {0.0, 0.0004, 100.0, {"0.0000", "0.0001", "0.0002", "0.0003", "0.0004"}},
        {0.0, 2e-5, 60.0, {"0", "1E-5", "2E-5"}},
        {-2.4e6, 0.0, 100.0, {"-2.5E6", "-2E6", "-1.5E6", "-1E6", "-5E5", "0"}},
        {-32.768, 32.767, 100.0, {"-40", "-20", "0", "20", "40"}},
        // A single value gets a margin of a tenth, zero one of 1, nothing finite the axis 0 to 1.
        {5.0, 5.0, 100.0, {"4.5", "5.0", "5.5"}},
        {0.0, 0.0, 100.0, {"-1.0", "-0.5", "0.0", "0.5", "1.0"}},
        {nan, 3.0, 100.0, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
        // No room at all: the fewest intervals.
        {0.0, 100.0, 0.0, {"0", "100"}},
    };
    for (const Case& c : cases) {
        const AxisTicks ticks =
            AxisScale::Fit(c.Low, c.High, c.Length, [](const auto&) { return 20.0; });
        EXPECT_EQ(ticks.Labels, c.Labels) << c.Low << " to " << c.High;
    }
}

TEST(AxisScale, ExtremeDataStaysBounded) {
    const double max = std::numeric_limits<double>::max();
    for (const auto& [low, high] : std::vector<std::pair<double, double>>{
             {-max, max}, {1e30, 1e30 + 1e15}, {-1e-300, 1e-300}, {3.0, -3.0}}) {
        const AxisTicks ticks = AxisScale::Fit(low, high, 1e9, [](const auto&) { return 0.0; });
        EXPECT_GE(ticks.Values.size(), 2u);
        EXPECT_LE(ticks.Values.size(), 201u);
        EXPECT_TRUE(std::isfinite(ticks.Min) && std::isfinite(ticks.Max));
        EXPECT_LT(ticks.Min, ticks.Max);
        for (const std::string& label : ticks.Labels) {
            EXPECT_LE(label.size(), 24u) << label;
        }
    }
}

} // namespace
} // namespace tessary

// A zoomed time axis shows exactly the range asked for, with round ticks only inside it and
// labels that do not meet; a range too small for any tick has none.
TEST(AxisScale, WithinKeepsTheRangeAndPutsRoundTicksInsideIt) {
    const auto room = [](const std::vector<std::string>&) { return 40.0; };
    const tessary::AxisTicks ticks = tessary::AxisScale::Within(12.3, 47.9, 400.0, room);
    EXPECT_EQ(ticks.Min, 12.3);
    EXPECT_EQ(ticks.Max, 47.9);
    EXPECT_EQ(ticks.Values, (std::vector<double>{15, 20, 25, 30, 35, 40, 45}));
    EXPECT_EQ(ticks.Labels.front(), "15");
    const tessary::AxisTicks tiny = tessary::AxisScale::Within(1.00001, 1.00002, 300.0, room);
    EXPECT_EQ(tiny.Min, 1.00001);
    EXPECT_LE(tiny.Values.size(), 8u);
    for (const double v : tiny.Values) {
        EXPECT_GE(v, 1.00001);
        EXPECT_LE(v, 1.00002);
    }
    const tessary::AxisTicks flat = tessary::AxisScale::Within(5.0, 5.0, 300.0, room);
    EXPECT_LT(flat.Min, flat.Max);
}
