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

// The columns a brute-force pass over the points gives for the envelope's own origin and
// width.
std::vector<ChartEnvelope::Column> BruteForceColumns(const std::vector<Point>& points,
                                                     const ChartEnvelope& envelope) {
    std::vector<ChartEnvelope::Column> columns(static_cast<std::size_t>(envelope.Columns()));
    for (const Point& p : points) {
        std::size_t c = 0;
        if (envelope.ColumnWidth() > 0.0 && p.X > envelope.Origin()) {
            c = static_cast<std::size_t>(
                std::floor((p.X - envelope.Origin()) / envelope.ColumnWidth()));
        }
        auto& column = columns.at(c);
        if (column.Empty) {
            column.Min = column.Max = p;
            column.Empty = false;
        }
        if (p.Y < column.Min.Y) {
            column.Min = p;
        }
        if (p.Y > column.Max.Y) {
            column.Max = p;
        }
    }
    return columns;
}

void ExpectSameColumns(const std::vector<ChartEnvelope::Column>& expected,
                       const std::vector<ChartEnvelope::Column>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t c = 0; c < expected.size(); ++c) {
        ASSERT_EQ(expected[c].Empty, actual[c].Empty) << "column " << c;
        if (expected[c].Empty) {
            continue;
        }
        EXPECT_EQ(expected[c].Min.Y, actual[c].Min.Y) << "column " << c;
        EXPECT_EQ(expected[c].Min.X, actual[c].Min.X) << "column " << c;
        EXPECT_EQ(expected[c].Max.Y, actual[c].Max.Y) << "column " << c;
        EXPECT_EQ(expected[c].Max.X, actual[c].Max.X) << "column " << c;
    }
}

void ExpectAscendingAndBounded(const std::vector<Point>& plot, int pixels) {
    EXPECT_LE(plot.size(), 2u * static_cast<std::size_t>(pixels));
    for (std::size_t i = 1; i < plot.size(); ++i) {
        EXPECT_LE(plot[i - 1].X, plot[i].X) << "point " << i;
    }
}

bool Contains(const std::vector<Point>& plot, Point p) {
    return std::any_of(plot.begin(), plot.end(),
                       [p](const Point& q) { return q.X == p.X && q.Y == p.Y; });
}

TEST(ChartEnvelope, OneSpikeInAMillionStaysVisible) {
    ChartEnvelope envelope(2048);
    const int n = 1'000'000;
    const int up = 654'321;
    const int down = 12'345;
    for (int i = 0; i < n; ++i) {
        const double y = i == up ? 5000.0 : i == down ? -5000.0 : std::sin(i * 0.001);
        envelope.Append(i * 0.01, y);
    }
    ASSERT_EQ(envelope.Size(), static_cast<std::size_t>(n));
    EXPECT_EQ(envelope.MinY(), -5000.0);
    EXPECT_EQ(envelope.MaxY(), 5000.0);
    EXPECT_EQ(envelope.MinX(), 0.0);
    EXPECT_EQ(envelope.MaxX(), (n - 1) * 0.01);

    std::vector<Point> plot;
    envelope.PlotPoints(700, plot);
    ExpectAscendingAndBounded(plot, 700);
    EXPECT_TRUE(Contains(plot, {up * 0.01, 5000.0}));
    EXPECT_TRUE(Contains(plot, {down * 0.01, -5000.0}));
    // The points spread over the whole width, not into a few columns.
    EXPECT_GT(plot.size(), 700u);
}

TEST(ChartEnvelope, ColumnsHoldTheTrueMinimumAndMaximumWhileTheScaleGrows) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-100.0, 100.0);
    std::uniform_real_distribution<double> gap(0.0, 0.37);
    ChartEnvelope envelope(256);
    std::vector<Point> points;
    double x = 3.25;
    for (int i = 0; i < 200'000; ++i) {
        // Repeated values make the first-occurrence rule matter.
        const double y = std::round(value(random));
        points.push_back({x, y});
        envelope.Append(x, y);
        if (i % 5000 == 4999) {
            ExpectSameColumns(BruteForceColumns(points, envelope), envelope.ColumnData());
        }
        x += i < 10 ? 0.5 : gap(random);
    }
    EXPECT_GT(envelope.ColumnWidth(), 0.5 * 256);
}

TEST(ChartEnvelope, ChangingTheColumnCountRebuildsFromThePoints) {
    ChartEnvelope grown(64);
    ChartEnvelope direct(1024);
    for (int i = 0; i < 50'000; ++i) {
        const double y = (i * 7919) % 1000;
        grown.Append(i, y);
        direct.Append(i, y);
    }
    grown.SetColumns(1024);
    EXPECT_EQ(grown.Columns(), 1024);
    EXPECT_EQ(grown.ColumnWidth(), direct.ColumnWidth());
    ExpectSameColumns(direct.ColumnData(), grown.ColumnData());

    grown.SetColumns(0);
    EXPECT_EQ(grown.Columns(), 1);
    EXPECT_EQ(grown.ColumnData()[0].Min.Y, 0.0);
    EXPECT_EQ(grown.ColumnData()[0].Max.Y, 999.0);
}

TEST(ChartEnvelope, EveryPixelShowsTheExtremesOfItsSamples) {
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 10.0);
    ChartEnvelope envelope(2048);
    std::vector<Point> points;
    for (int i = 0; i < 300'000; ++i) {
        const Point p{i * 1e-5, noise(random)};
        points.push_back(p);
        envelope.Append(p.X, p.Y);
    }
    const int pixels = 613;
    std::vector<Point> plot;
    envelope.PlotPoints(pixels, plot);
    ExpectAscendingAndBounded(plot, pixels);

    // Each drawn point is a sample, and every sample lies within the drawn extremes of its
    // own pixel and its neighbours: a column is drawn in the pixel where it begins and may
    // reach into the next.
    const double scale = pixels / (envelope.MaxX() - envelope.MinX());
    const auto pixelOf = [&](double x) {
        return std::min(static_cast<int>(std::floor((x - envelope.MinX()) * scale)), pixels - 1);
    };
    std::vector<double> drawnMin(pixels, std::numeric_limits<double>::infinity());
    std::vector<double> drawnMax(pixels, -std::numeric_limits<double>::infinity());
    for (const Point& p : plot) {
        const auto index = static_cast<std::size_t>(p.X / 1e-5 + 0.5);
        ASSERT_LT(index, points.size());
        EXPECT_EQ(points[index].Y, p.Y);
        const int px = pixelOf(p.X);
        drawnMin[px] = std::min(drawnMin[px], p.Y);
        drawnMax[px] = std::max(drawnMax[px], p.Y);
    }
    int uncovered = 0;
    for (const Point& p : points) {
        const int px = pixelOf(p.X);
        double low = drawnMin[px];
        double high = drawnMax[px];
        for (int q = std::max(px - 1, 0); q <= std::min(px + 1, pixels - 1); ++q) {
            low = std::min(low, drawnMin[q]);
            high = std::max(high, drawnMax[q]);
        }
        uncovered += p.Y < low || p.Y > high ? 1 : 0;
    }
    EXPECT_EQ(uncovered, 0);
}

TEST(ChartEnvelope, FewPointsAreDrawnAsTheyAre) {
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

    // One pixel holds them all, the last point included: its lowest and its highest.
    envelope.PlotPoints(1, plot);
    ASSERT_EQ(plot.size(), 2u);
    EXPECT_EQ(plot[0].Y, -2.0);
    EXPECT_EQ(plot[1].Y, 4.0);
}

TEST(ChartEnvelope, PointsThatCannotBeDrawnAreDropped) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ChartEnvelope envelope(16);
    envelope.Append(nan, 1.0);
    envelope.Append(0.0, inf);
    EXPECT_TRUE(envelope.Empty());
    envelope.Append(1.0, 2.0);
    envelope.Append(2.0, nan);
    envelope.Append(3.0, -inf);
    envelope.Append(4.0, 5.0);
    EXPECT_EQ(envelope.Size(), 2u);
    EXPECT_EQ(envelope.MinX(), 1.0);
    EXPECT_EQ(envelope.MaxX(), 4.0);
    EXPECT_EQ(envelope.MinY(), 2.0);
    EXPECT_EQ(envelope.MaxY(), 5.0);
}

TEST(ChartEnvelope, OneRepeatedXAndWildJumpsStayInTheColumns) {
    ChartEnvelope same(8);
    for (int i = 0; i < 1000; ++i) {
        same.Append(5.0, i % 2 == 0 ? i : -i);
    }
    std::vector<Point> plot;
    same.PlotPoints(100, plot);
    ASSERT_EQ(plot.size(), 2u);
    EXPECT_EQ(plot[0].Y, -999.0);
    EXPECT_EQ(plot[1].Y, 998.0);

    ChartEnvelope wild(8);
    wild.Append(0.0, 1.0);
    wild.Append(1e-300, 2.0);
    wild.Append(1e300, 3.0);
    wild.Append(std::numeric_limits<double>::max(), -4.0);
    EXPECT_EQ(wild.Size(), 4u);
    const auto& columns = wild.ColumnData();
    const double low = std::min_element(columns.begin(), columns.end(), [](auto& a, auto& b) {
                           return !a.Empty && (b.Empty || a.Min.Y < b.Min.Y);
                       })->Min.Y;
    EXPECT_EQ(low, -4.0);
    wild.PlotPoints(10, plot);
    ExpectAscendingAndBounded(plot, 10);
    EXPECT_TRUE(Contains(plot, {std::numeric_limits<double>::max(), -4.0}));
}

TEST(ChartEnvelope, ClearStartsAFreshBurst) {
    ChartEnvelope envelope(32);
    for (int i = 0; i < 10'000; ++i) {
        envelope.Append(100.0 + i, i);
    }
    envelope.Clear();
    EXPECT_TRUE(envelope.Empty());
    EXPECT_EQ(envelope.Columns(), 32);
    std::vector<Point> plot;
    envelope.PlotPoints(10, plot);
    EXPECT_TRUE(plot.empty());

    envelope.Append(0.0, -1.0);
    envelope.Append(0.5, 1.0);
    EXPECT_EQ(envelope.Origin(), 0.0);
    EXPECT_EQ(envelope.ColumnWidth(), 0.5);
    EXPECT_EQ(envelope.MinX(), 0.0);
    EXPECT_EQ(envelope.MaxY(), 1.0);
}

} // namespace
} // namespace tessary
