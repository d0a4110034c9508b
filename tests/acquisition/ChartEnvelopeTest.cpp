#include "acquisition/ChartEnvelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace tessary {
namespace {

using Point = ChartEnvelope::Point;

bool Contains(const std::vector<Point>& plot, Point p) {
    return std::any_of(plot.begin(), plot.end(),
                       [p](const Point& q) { return q.X == p.X && q.Y == p.Y; });
}

void ExpectAscendingAndBounded(const std::vector<Point>& plot, int pixels) {
    EXPECT_LE(plot.size(), 2u * static_cast<std::size_t>(pixels));
    EXPECT_TRUE(std::is_sorted(plot.begin(), plot.end(),
                               [](const Point& a, const Point& b) { return a.X < b.X; }));
}

TEST(ChartEnvelope, OneSpikeInAMillionStaysVisible) {
    ChartEnvelope envelope(2048);
    const int n = 1'000'000;
    for (int i = 0; i < n; ++i) {
        envelope.Append(i * 0.01, i == 654'321  ? 5000.0
                                  : i == 12'345 ? -5000.0
                                                : std::sin(i * 1e-3));
    }
    EXPECT_EQ(envelope.Size(), static_cast<std::size_t>(n));
    EXPECT_EQ(envelope.MaxX(), (n - 1) * 0.01);
    std::vector<Point> plot;
    envelope.PlotPoints(700, plot);
    ExpectAscendingAndBounded(plot, 700);
    EXPECT_GT(plot.size(), 700u); // spread over the whole width
    EXPECT_TRUE(Contains(plot, {654'321 * 0.01, 5000.0}));
    EXPECT_TRUE(Contains(plot, {12'345 * 0.01, -5000.0}));
}

// Random gaps and repeated values while the columns widen, checked against a brute-force
// pass over the envelope's own column grid; then a rebuild for another column count.
TEST(ChartEnvelope, ColumnsHoldTheTrueExtremesWhileTheScaleGrows) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-100, 100);
    std::uniform_real_distribution<double> gap(0.0, 0.37);
    ChartEnvelope envelope(256);
    std::vector<Point> points;
    const auto check = [&] {
        std::vector<ChartEnvelope::Column> expected(envelope.ColumnData().size());
        for (const Point& p : points) {
            const double offset = p.X - envelope.Origin();
            auto& c = expected.at(
                offset > 0.0 ? static_cast<std::size_t>(std::floor(offset / envelope.ColumnWidth()))
                             : 0);
            if (c.Empty || p.Y < c.Min.Y) {
                c.Min = p;
            }
            if (c.Empty || p.Y > c.Max.Y) {
                c.Max = p;
            }
            c.Empty = false;
        }
        const auto& actual = envelope.ColumnData();
        for (std::size_t c = 0; c < expected.size(); ++c) {
            ASSERT_EQ(expected[c].Empty, actual[c].Empty) << "column " << c;
            if (!expected[c].Empty) {
                ASSERT_EQ(expected[c].Min.X, actual[c].Min.X) << "column " << c;
                ASSERT_EQ(expected[c].Min.Y, actual[c].Min.Y) << "column " << c;
                ASSERT_EQ(expected[c].Max.X, actual[c].Max.X) << "column " << c;
                ASSERT_EQ(expected[c].Max.Y, actual[c].Max.Y) << "column " << c;
            }
        }
    };
    double x = 3.25;
    for (int i = 0; i < 200'000; ++i) {
        points.push_back({x, static_cast<double>(value(random))});
        envelope.Append(x, points.back().Y);
        if (i % 10'000 == 9'999) {
            check();
        }
        x += i < 10 ? 0.5 : gap(random);
    }
    EXPECT_GT(envelope.ColumnWidth(), 0.5 * 256);
    envelope.SetColumns(1000);
    EXPECT_EQ(envelope.Columns(), 1000);
    check();
}

TEST(ChartEnvelope, EveryPixelShowsTheExtremesOfItsSamples) {
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 10.0);
    ChartEnvelope envelope(2048);
    std::vector<double> ys;
    for (int i = 0; i < 300'000; ++i) {
        ys.push_back(noise(random));
        envelope.Append(i * 1e-5, ys.back());
    }
    const int pixels = 613;
    std::vector<Point> plot;
    envelope.PlotPoints(pixels, plot);
    ExpectAscendingAndBounded(plot, pixels);

    // Every drawn point is a sample; every sample lies within the drawn extremes of its pixel
    // and its neighbours (a column is drawn in the pixel where it begins).
    const double scale = pixels / envelope.MaxX();
    const auto pixelOf = [&](double x) {
        return std::min(static_cast<int>(std::floor(x * scale)), pixels - 1);
    };
    std::vector<double> low(pixels, std::numeric_limits<double>::infinity());
    std::vector<double> high(pixels, -std::numeric_limits<double>::infinity());
    for (const Point& p : plot) {
        EXPECT_EQ(ys.at(static_cast<std::size_t>(p.X / 1e-5 + 0.5)), p.Y);
        low[pixelOf(p.X)] = std::min(low[pixelOf(p.X)], p.Y);
        high[pixelOf(p.X)] = std::max(high[pixelOf(p.X)], p.Y);
    }
    int uncovered = 0;
    for (std::size_t i = 0; i < ys.size(); ++i) {
        const int px = pixelOf(static_cast<double>(i) * 1e-5);
        const int from = std::max(px - 1, 0);
        const int to = std::min(px + 1, pixels - 1);
        uncovered += ys[i] < *std::min_element(&low[from], &low[to] + 1) ||
                     ys[i] > *std::max_element(&high[from], &high[to] + 1);
    }
    EXPECT_EQ(uncovered, 0);
}

TEST(ChartEnvelope, FewPointsAreDrawnAsTheyAreAndOnePixelHoldsTheExtremes) {
    ChartEnvelope envelope(2048);
    const std::vector<double> x = {0.0, 1.0, 2.0, 3.0};
    const std::vector<double> y = {1.0, -2.0, 4.0, 3.0, 99.0};
    envelope.Append(x, y); // the shorter span decides
    std::vector<Point> plot;
    envelope.PlotPoints(500, plot);
    ASSERT_EQ(plot.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(plot[i].X, x[i]);
        EXPECT_EQ(plot[i].Y, y[i]);
    }
    envelope.PlotPoints(1, plot); // the last point belongs to the one pixel too
    ASSERT_EQ(plot.size(), 2u);
    EXPECT_EQ(plot[0].Y, -2.0);
    EXPECT_EQ(plot[1].Y, 4.0);
}

TEST(ChartEnvelope, UndrawablePointsAreDroppedAndWildJumpsStayInTheColumns) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double max = std::numeric_limits<double>::max();
    ChartEnvelope envelope(8);
    envelope.Append(nan, 1.0);
    envelope.Append(0.0, inf);
    EXPECT_TRUE(envelope.Empty());
    for (const Point p : {Point{0.0, 2.0}, Point{0.0, nan}, Point{1e-300, -inf}, Point{1e-300, 3.0},
                          Point{1e300, 5.0}, Point{max, -4.0}}) {
        envelope.Append(p.X, p.Y);
    }
    EXPECT_EQ(envelope.Size(), 4u);
    envelope.Append(-max, 1.0); // the x extent would overflow
    envelope.Append(6.0, max);
    envelope.Append(7.0, -max); // the y extent would overflow
    EXPECT_EQ(envelope.Size(), 5u);
    EXPECT_EQ(envelope.MinX(), 0.0);
    EXPECT_EQ(envelope.MinY(), -4.0);
    EXPECT_EQ(envelope.MaxY(), max);
    std::vector<Point> plot;
    envelope.PlotPoints(10, plot);
    ExpectAscendingAndBounded(plot, 10);
    EXPECT_TRUE(Contains(plot, {max, -4.0}));
    EXPECT_TRUE(Contains(plot, {6.0, max}));
}

} // namespace
} // namespace tessary
