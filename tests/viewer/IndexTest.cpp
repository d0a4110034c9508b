// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/IndexedChannel.h"
#include "viewer/MinMaxIndex.h"

#include "data/MeasurementParameters.h"
#include "data/TsdBlockReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace tessary;

namespace {

// Interleaved samples of `channels` channels with a few missing ones and rare spikes.
std::vector<std::int16_t> NoisyStored(std::int64_t scans, int channels, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-2000, 2000);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(scans * channels));
    for (auto& s : samples) {
        const int pick = value(random);
        s = pick == 0 ? ErrorValue
                      : static_cast<std::int16_t>(pick == 1   ? 30000
                                                  : pick == 2 ? -30000
                                                              : pick);
    }
    return samples;
}

} // namespace

// Every range, short or long, aligned or ragged, gives exactly the smallest and largest
// value that a plain scan finds, gaps left out; a range of gaps only is empty.
TEST(MinMaxIndex, AnswersEveryRangeAsAPlainScanDoes) {
    const std::int64_t scans = 70000;
    const std::vector<std::int16_t> samples = NoisyStored(scans, 3, 7);
    MinMaxIndex<std::int16_t> index;
    index.Build({samples.data() + 1, 3, scans}, ErrorValue);
    std::mt19937 random(11);
    std::uniform_int_distribution<std::int64_t> at(0, scans);
    for (int trial = 0; trial < 3000; ++trial) {
        std::int64_t a = at(random);
        std::int64_t b = trial % 3 == 0 ? std::min(a + trial % 40, scans) : at(random);
        if (a > b) {
            std::swap(a, b);
        }
        std::int16_t lo = 32767;
        std::int16_t hi = -32768;
        bool any = false;
        for (std::int64_t i = a; i < b; ++i) {
            const std::int16_t v = samples[static_cast<std::size_t>(i * 3 + 1)];
            if (v != ErrorValue) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
                any = true;
            }
        }
        const auto extent = index.Query(a, b);
        ASSERT_EQ(extent.Empty(), !any) << a << ".." << b;
        if (any) {
            ASSERT_EQ(extent.Min, lo) << a << ".." << b;
            ASSERT_EQ(extent.Max, hi) << a << ".." << b;
        }
    }
    const std::vector<double> gaps(100, TsdMissing);
    MinMaxIndex<double> empty;
    empty.Build({gaps.data(), 1, 100}, ErrorValue);
    EXPECT_TRUE(empty.Query(0, 100).Empty());
    EXPECT_TRUE(empty.Query(-5, 500).Empty());
}

// At every zoom, each sample of the visible range lies within the values drawn in its own
// pixel column, so that a single-sample spike is never hidden; coefficients apply, a
// negative A included.
TEST(IndexedChannel, EverySampleLiesWithinTheStrokeOfItsPixelAtEveryZoom) {
    const std::int64_t scans = 200000;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(scans), 100);
    samples[123457] = 9000; // one spike
    samples[5] = ErrorValue;
    const double step = 0.5;
    const IndexedChannel<std::int16_t> channel({samples.data(), 1, scans}, ErrorValue, -2.0, 3.0,
                                               step);
    std::vector<ChartPoint> line;
    for (const double span : {99999.5, 20000.0, 1000.0, 130.0}) {
        const double from = 123457 * step - span / 3;
        channel.Plot(500, from, from + span, line);
        const double width = span / 500;
        const auto column = [&](double x) { return std::floor((x - from) / width); };
        bool spikeDrawn = false;
        for (const ChartPoint& p : line) {
            spikeDrawn =
                spikeDrawn || (p.Y == -2.0 * 9000 + 3.0 && column(p.X) == column(123457 * step));
        }
        EXPECT_TRUE(spikeDrawn) << "span " << span;
        EXPECT_LE(line.size(), 1000u + 10u);
        EXPECT_TRUE(
            std::is_sorted(line.begin(), line.end(),
                           [](const ChartPoint& a, const ChartPoint& b) { return a.X < b.X; }));
    }
    double low = 0.0;
    double high = 0.0;
    ASSERT_TRUE(channel.ValueRange(0.0, scans * step, low, high));
    EXPECT_EQ(low, -2.0 * 9000 + 3.0);
    EXPECT_EQ(high, -2.0 * 100 + 3.0);
    ASSERT_TRUE(channel.ValueRange(0.0, 1000.0, low, high));
    EXPECT_EQ(low, high);
}

// Missing samples break the line, zoomed in (single samples) and zoomed out (a column of
// gaps only); they are never drawn as a value.
TEST(IndexedChannel, MissingSamplesAreGapsInTheLine) {
    std::vector<double> values(4000, 1.0);
    for (int i = 1000; i < 3000; ++i) {
        values[static_cast<std::size_t>(i)] = TsdMissing;
    }
    values[10] = TsdMissing;
    const IndexedChannel<double> channel({values.data(), 1, 4000}, ErrorValue, 1.0, 0.0, 1.0);
    std::vector<ChartPoint> line;
    channel.Plot(100, 0.0, 20.0, line); // single samples
    const auto breaks = [&]() {
        return std::count_if(line.begin(), line.end(),
                             [](const ChartPoint& p) { return std::isnan(p.Y); });
    };
    EXPECT_EQ(breaks(), 1);
    for (const ChartPoint& p : line) {
        EXPECT_TRUE(std::isnan(p.Y) || p.Y == 1.0);
    }
    channel.Plot(100, 0.0, 3999.0, line); // 40 samples a column
    EXPECT_EQ(breaks(), 1);
    EXPECT_EQ(
        std::count_if(line.begin(), line.end(), [](const ChartPoint& p) { return p.Y == 1.0; }),
        100 - 50);
    EXPECT_FALSE(channel.ValueAt(10).has_value());
    EXPECT_EQ(channel.ValueAt(11), 1.0);
}

// Statistics of a range read from the block sums agree with a plain computation of the
// engineering values, gaps counted apart.
TEST(IndexedChannel, StatisticsOfARangeAgreeWithAPlainComputation) {
    const std::int64_t scans = 50000;
    const std::vector<std::int16_t> samples = NoisyStored(scans, 1, 3);
    const double a = 0.25;
    const double b = -4.0;
    const IndexedChannel<std::int16_t> channel({samples.data(), 1, scans}, ErrorValue, a, b, 1.0);
    for (const auto& [first, end] : std::vector<std::pair<std::int64_t, std::int64_t>>{
             {0, scans}, {17, 913}, {300, 40001}, {5, 6}, {-10, 20}}) {
        double sum = 0.0;
        double squares = 0.0;
        double lo = INFINITY;
        double hi = -INFINITY;
        std::int64_t n = 0;
        std::int64_t gaps = 0;
        for (std::int64_t i = std::max<std::int64_t>(first, 0); i < end; ++i) {
            const std::int16_t s = samples[static_cast<std::size_t>(i)];
            if (s == ErrorValue) {
                ++gaps;
                continue;
            }
            const double v = a * s + b;
            sum += v;
            squares += v * v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            ++n;
        }
        const RangeStatistics stats = channel.Statistics(first, end);
        EXPECT_EQ(stats.Values, n);
        EXPECT_EQ(stats.Gaps, gaps);
        if (n > 0) {
            EXPECT_EQ(stats.Min, lo);
            EXPECT_EQ(stats.Max, hi);
            EXPECT_NEAR(stats.Mean, sum / n, 1e-9 * std::max(1.0, std::fabs(sum / n)));
            EXPECT_NEAR(stats.Rms, std::sqrt(squares / n), 1e-9 * std::sqrt(squares / n));
        }
    }
}
