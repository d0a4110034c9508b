// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ChartEnvelope.h"
#include "data/MeasurementParameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <span>
#include <vector>

namespace tessary {
namespace {

// A burst of noise around a slow sine, with spikes of both signs and runs of missing samples.
std::vector<std::int16_t> RandomBurst(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 40.0);
    std::uniform_int_distribution<std::size_t> where(0, n - 1);
    std::vector<std::int16_t> samples(n);
    for (std::size_t i = 0; i < n; ++i) {
        samples[i] = static_cast<std::int16_t>(
            std::lround(3000.0 * std::sin(static_cast<double>(i) * 2e-4) + noise(random)));
    }
    for (int s = 0; s < 20; ++s) {
        samples[where(random)] = static_cast<std::int16_t>(s % 2 == 0 ? 32767 - s : -32767 + s);
    }
    for (int gap = 0; gap < 5; ++gap) {
        const std::size_t from = where(random);
        std::fill(samples.begin() + static_cast<long>(from),
                  samples.begin() + static_cast<long>(std::min(n, from + 300)), ErrorValue);
    }
    return samples;
}

// Min/max with the first index of each over the envelope's own column grid, by brute force.
void ExpectColumnsExact(const ChartEnvelope& envelope, std::span<const std::int16_t> samples) {
    ASSERT_EQ(envelope.Count(), static_cast<std::int64_t>(samples.size()));
    std::vector<ChartEnvelope::Column> expected(envelope.ColumnData().size());
    bool any = false;
    std::int16_t low = 0;
    std::int16_t high = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::int16_t v = samples[i];
        if (v == ErrorValue) {
            continue;
        }
        const auto index = static_cast<std::int64_t>(i);
        auto& c = expected.at(static_cast<std::size_t>(index / envelope.ColumnWidth()));
        if (c.Empty() || v < c.Min) {
            c.Min = v;
            c.MinIndex = index;
        }
        if (c.MaxIndex < 0 || v > c.Max) {
            c.Max = v;
            c.MaxIndex = index;
        }
        low = any ? std::min(low, v) : v;
        high = any ? std::max(high, v) : v;
        any = true;
    }
    ASSERT_EQ(envelope.HasValues(), any);
    if (any) {
        EXPECT_EQ(envelope.MinValue(), low);
        EXPECT_EQ(envelope.MaxValue(), high);
    }
    const auto& actual = envelope.ColumnData();
    for (std::size_t c = 0; c < expected.size(); ++c) {
        ASSERT_EQ(expected[c].Empty(), actual[c].Empty()) << "column " << c;
        if (!expected[c].Empty()) {
            ASSERT_EQ(expected[c].Min, actual[c].Min) << "column " << c;
            ASSERT_EQ(expected[c].MinIndex, actual[c].MinIndex) << "column " << c;
            ASSERT_EQ(expected[c].Max, actual[c].Max) << "column " << c;
            ASSERT_EQ(expected[c].MaxIndex, actual[c].MaxIndex) << "column " << c;
        }
    }
}

// What a plot must show: at most two points a pixel, ascending; every point a real sample at
// its own place; every sample within the drawn values of its pixel or a neighbour's.
void ExpectFaithfulLine(const ChartEnvelope& envelope, std::span<const std::int16_t> samples,
                        int pixels, double xTo, const SampleScale& scale) {
    std::vector<ChartPoint> line;
    envelope.Plot(pixels, 0.0, xTo, scale, line);
    ASSERT_LE(line.size(), 2u * static_cast<std::size_t>(pixels));
    ASSERT_TRUE(std::is_sorted(line.begin(), line.end(),
                               [](const ChartPoint& a, const ChartPoint& b) { return a.X < b.X; }));
    const double perX = pixels / xTo;
    const auto pixelOf = [&](double x) {
        return std::clamp(static_cast<int>(std::floor(x * perX)), 0, pixels - 1);
    };
    std::vector<double> low(static_cast<std::size_t>(pixels),
                            std::numeric_limits<double>::infinity());
    std::vector<double> high(static_cast<std::size_t>(pixels),
                             -std::numeric_limits<double>::infinity());
    for (const ChartPoint& p : line) {
        const auto index = static_cast<std::size_t>(std::lround(p.X / scale.XStep));
        ASSERT_LT(index, samples.size());
        ASSERT_NE(samples[index], ErrorValue);
        ASSERT_EQ(p.Y, scale.A * samples[index] + scale.B) << "at sample " << index;
        const auto px = static_cast<std::size_t>(pixelOf(p.X));
        low[px] = std::min(low[px], p.Y);
        high[px] = std::max(high[px], p.Y);
    }
    int outside = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] == ErrorValue) {
            continue;
        }
        const double y = scale.A * samples[i] + scale.B;
        const int px = pixelOf(static_cast<double>(i) * scale.XStep);
        const auto from = static_cast<std::size_t>(std::max(px - 1, 0));
        const auto to = static_cast<std::size_t>(std::min(px + 1, pixels - 1)) + 1;
        outside += y < *std::min_element(low.begin() + static_cast<long>(from),
                                         low.begin() + static_cast<long>(to)) ||
                   y > *std::max_element(high.begin() + static_cast<long>(from),
                                         high.begin() + static_cast<long>(to));
    }
    EXPECT_EQ(outside, 0);
}

// Random bursts arrive in blocks of random length; now and then the chart's width changes and
// the envelope is rebuilt from the samples so far, as after a resize during a burst.
TEST(ChartEnvelope, ColumnsAndLinesMatchABruteForceMinMaxThroughResizes) {
    std::mt19937 random(5);
    for (const unsigned seed : {1u, 2u, 3u}) {
        const std::vector<std::int16_t> burst = RandomBurst(400'000, seed);
        const SampleScale scale{1e-3, seed == 2 ? -0.5 : 2.0, 7.0};
        std::uniform_int_distribution<std::size_t> block(1, 9000);
        std::uniform_int_distribution<int> width(50, 1500);
        int pixels = 600;
        ChartEnvelope envelope(ChartEnvelope::ColumnsFor(pixels));
        std::size_t done = 0;
        for (int step = 0; done < burst.size(); ++step) {
            const std::size_t n = std::min(block(random), burst.size() - done);
            envelope.Append(std::span(burst).subspan(done, n));
            done += n;
            if (step % 25 == 0) {
                const auto so_far = std::span(burst).first(done);
                ExpectColumnsExact(envelope, so_far);
                // The time axis runs a little beyond the data, as the ticks round it out.
                ExpectFaithfulLine(envelope, so_far, pixels,
                                   1.15 * static_cast<double>(done) * scale.XStep, scale);
            }
            if (step % 40 == 39) {
                pixels = width(random);
                envelope.Reset(ChartEnvelope::ColumnsFor(pixels));
                envelope.Append(std::span(burst).first(done));
            }
        }
        ExpectColumnsExact(envelope, burst);
        ExpectFaithfulLine(envelope, burst, pixels,
                           static_cast<double>(burst.size() - 1) * scale.XStep, scale);
    }
}

TEST(ChartEnvelope, OneSpikeInTenMillionIsDrawn) {
    std::vector<std::int16_t> burst(10'000'000, 100);
    burst[6'543'210] = 20'000;
    burst[123] = -20'000;
    ChartEnvelope envelope(ChartEnvelope::ColumnsFor(700));
    for (std::size_t from = 0; from < burst.size(); from += 128) {
        envelope.Append(std::span(burst).subspan(from, 128));
    }
    std::vector<ChartPoint> line;
    envelope.Plot(700, 0.0, 10.0, {1e-6, 1.0, 0.0}, line);
    const auto has = [&](double x, double y) {
        return std::any_of(line.begin(), line.end(), [&](const ChartPoint& p) {
            return std::fabs(p.X - x) < 1e-12 && p.Y == y;
        });
    };
    EXPECT_TRUE(has(6.54321, 20'000.0));
    EXPECT_TRUE(has(123e-6, -20'000.0));
}

// The chart path holds the same bytes for a short burst and for a long one.
TEST(ChartEnvelope, MemoryFollowsTheWidthNotTheBurst) {
    const std::vector<std::int16_t> block(4096, 5);
    ChartEnvelope shortBurst(ChartEnvelope::ColumnsFor(1280));
    ChartEnvelope longBurst(ChartEnvelope::ColumnsFor(1280));
    shortBurst.Append(std::span(block).first(1000));
    for (int k = 0; k < 5000; ++k) { // 20 million samples
        longBurst.Append(block);
    }
    EXPECT_EQ(longBurst.Count(), 5000 * 4096);
    EXPECT_EQ(shortBurst.HeldBytes(), longBurst.HeldBytes());
    EXPECT_LE(longBurst.HeldBytes(), 4096u * sizeof(ChartEnvelope::Column));
    EXPECT_EQ(ChartEnvelope::ColumnsFor(1280), 4096);
    EXPECT_EQ(ChartEnvelope::ColumnsFor(1024), 2048);
    EXPECT_EQ(ChartEnvelope::ColumnsFor(-5), 2);
    EXPECT_EQ(ChartEnvelope::ColumnsFor(1 << 30), 1 << 17);
}

TEST(ChartEnvelope, FewSamplesAreDrawnAsTheyAreAndMissingOnesNotAtAll) {
    ChartEnvelope envelope(ChartEnvelope::ColumnsFor(500));
    const std::vector<std::int16_t> samples = {10, ErrorValue, -20, 40, 30};
    envelope.Append(samples);
    std::vector<ChartPoint> line;
    envelope.Plot(500, 0.0, 4.0, {1.0, 1.0, 0.5}, line);
    ASSERT_EQ(line.size(), 4u);
    const std::vector<double> xs = {0.0, 2.0, 3.0, 4.0};
    const std::vector<double> ys = {10.5, -19.5, 40.5, 30.5};
    for (std::size_t i = 0; i < line.size(); ++i) {
        EXPECT_EQ(line[i].X, xs[i]);
        EXPECT_EQ(line[i].Y, ys[i]);
    }
    envelope.Plot(1, 0.0, 4.0, {1.0, 1.0, 0.5}, line); // one pixel: its extremes, in order
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[0].Y, -19.5);
    EXPECT_EQ(line[1].Y, 40.5);

    const std::vector<std::int16_t> missing(1000, ErrorValue);
    envelope.Reset(8);
    envelope.Append(missing);
    EXPECT_FALSE(envelope.HasValues());
    EXPECT_EQ(envelope.Count(), 1000);
    envelope.Plot(100, 0.0, 999.0, {}, line);
    EXPECT_TRUE(line.empty());

    // Coefficients that cannot give a finite value draw nothing.
    envelope.Reset(8);
    envelope.Append(samples);
    envelope.Plot(100, 0.0, 4.0, {1.0, std::numeric_limits<double>::infinity(), 0.0}, line);
    EXPECT_TRUE(line.empty());
}

} // namespace
} // namespace tessary
