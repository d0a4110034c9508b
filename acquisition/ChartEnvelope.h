// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tessary {

// Where a sample is drawn: sample i at x = i × XStep, a stored value s at y = A·s + B.
struct SampleScale {
    double XStep = 1.0;
    double A = 1.0;
    double B = 0.0;
};

// A point of a chart's line, in the chart's units (x time, y engineering value).
struct ChartPoint {
    double X = 0.0;
    double Y = 0.0;
};

// The min/max envelope of one channel's stored samples (int16; ErrorValue marks a missing
// sample, which is never drawn) over a fixed number of columns, so that its memory follows
// the chart's width and not the number of samples.
//
// Samples arrive in order, index 0 first. Column c holds samples c × ColumnWidth() up to the
// next column; the width starts at one sample and doubles, merging neighbouring columns, when
// a sample falls beyond the last column, so an append costs O(1) amortised. Each column keeps
// its smallest and largest value with the index of their first occurrence, so the envelope
// keeps every spike. The samples themselves stay with their owner, which feeds them again
// (Reset, then Append) when the column count changes.
class ChartEnvelope {
public:
    struct Column {
        std::int16_t Min = 0;
        std::int16_t Max = 0;
        std::int64_t MinIndex = -1; // -1: no value in the column
        std::int64_t MaxIndex = -1;

        bool Empty() const { return MinIndex < 0; }
    };

    explicit ChartEnvelope(int columns = 1);

    // The column count for a plot `pixels` wide: the smallest power of two of at least twice
    // the width, so that the columns in use always outnumber the pixels and small changes of
    // the width need no rebuild.
    static int ColumnsFor(int pixels);

    // Forgets every sample and sets the column count (at least 1).
    void Reset(int columns);

    // The next samples, following those appended so far.
    void Append(std::span<const std::int16_t> samples);

    // Samples appended, missing ones included.
    std::int64_t Count() const { return count_; }
    // False while no sample with a value has arrived.
    bool HasValues() const { return hasValues_; }
    // Smallest and largest stored value; meaningful only when HasValues().
    std::int16_t MinValue() const { return minValue_; }
    std::int16_t MaxValue() const { return maxValue_; }

    int Columns() const { return static_cast<int>(columns_.size()); }
    std::int64_t ColumnWidth() const { return std::int64_t{1} << shift_; }
    const std::vector<Column>& ColumnData() const { return columns_; }

    // Bytes this envelope holds.
    std::size_t HeldBytes() const { return columns_.capacity() * sizeof(Column); }

    // Replaces `out` with the line for a plot `pixels` wide whose x axis runs from xFrom to
    // xTo: every column's smallest and largest value drawn at its own sample's place, and of
    // the points that fall into one pixel column only the lowest and the highest, in x order
    // (one point when they are the same). At most 2 × pixels points, ascending in x; points
    // whose y is not finite are left out. With more columns in use than pixels, every sample
    // lies within the drawn values of its own pixel or of a neighbouring one.
    void Plot(int pixels, double xFrom, double xTo, const SampleScale& scale,
              std::vector<ChartPoint>& out) const;

private:
    void Widen(std::int64_t column);

    std::vector<Column> columns_;
    int shift_ = 0; // the column width is 2^shift_ samples
    std::int64_t count_ = 0;
    bool hasValues_ = false;
    std::int16_t minValue_ = 0;
    std::int16_t maxValue_ = 0;
};

} // namespace tessary
