// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ChartEnvelope.h"

#include "data/MeasurementParameters.h"

#include <algorithm>
#include <cmath>

namespace tessary {

namespace {

constexpr int MaxColumnPixels = 1 << 16;

// The lowest and the highest point that fall into one pixel column.
struct PixelBin {
    ChartPoint Low;
    ChartPoint High;
    bool Empty = true;

    void Take(const ChartPoint& p) {
        if (Empty) {
            Low = High = p;
            Empty = false;
        } else if (p.Y < Low.Y) {
            Low = p;
        } else if (p.Y > High.Y) {
            High = p;
        }
    }

    void FlushInto(std::vector<ChartPoint>& out) {
        if (Empty) {
            return;
        }
        if (Low.X == High.X && Low.Y == High.Y) {
            out.push_back(Low);
        } else if (Low.X <= High.X) {
            out.push_back(Low);
            out.push_back(High);
        } else {
            out.push_back(High);
            out.push_back(Low);
        }
        Empty = true;
    }
};

} // namespace

ChartEnvelope::ChartEnvelope(int columns) {
    Reset(columns);
}

int ChartEnvelope::ColumnsFor(int pixels) {
    const int wanted = 2 * std::clamp(pixels, 1, MaxColumnPixels);
    int columns = 1;
    while (columns < wanted) {
        columns *= 2;
    }
    return columns;
}

void ChartEnvelope::Reset(int columns) {
    columns_.assign(static_cast<std::size_t>(std::max(columns, 1)), Column{});
    shift_ = 0;
    count_ = 0;
    hasValues_ = false;
    minValue_ = maxValue_ = 0;
}

void ChartEnvelope::Append(std::span<const std::int16_t> samples) {
    const auto columns = static_cast<std::int64_t>(columns_.size());
    std::size_t k = 0;
    while (k < samples.size()) {
        const std::int64_t first = count_;
        if ((first >> shift_) >= columns) {
            Widen(first >> shift_);
        }
        const std::int64_t width = ColumnWidth();
        // The samples of this call that fall into the same column.
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(
            static_cast<std::int64_t>(samples.size() - k), width - (first & (width - 1))));
        Column& column = columns_[static_cast<std::size_t>(first >> shift_)];
        for (std::size_t j = 0; j < n; ++j) {
            const std::int16_t v = samples[k + j];
            if (v == ErrorValue) {
                continue;
            }
            const std::int64_t index = first + static_cast<std::int64_t>(j);
            if (column.Empty()) {
                column = {v, v, index, index};
            } else if (v < column.Min) {
                column.Min = v;
                column.MinIndex = index;
            } else if (v > column.Max) {
                column.Max = v;
                column.MaxIndex = index;
            }
        }
        if (!column.Empty()) {
            minValue_ = hasValues_ ? std::min(minValue_, column.Min) : column.Min;
            maxValue_ = hasValues_ ? std::max(maxValue_, column.Max) : column.Max;
            hasValues_ = true;
        }
        count_ += static_cast<std::int64_t>(n);
        k += n;
    }
}

void ChartEnvelope::Widen(std::int64_t column) {
    int doublings = 0;
    const auto columns = static_cast<std::int64_t>(columns_.size());
    while ((column >> doublings) >= columns) {
        ++doublings;
    }
    shift_ += doublings;
    std::vector<Column> merged(columns_.size());
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const Column& from = columns_[c];
        if (from.Empty()) {
            continue;
        }
        // Columns are merged from left to right, so on a tie the earlier sample stays.
        Column& into = merged[c >> doublings];
        if (into.Empty()) {
            into = from;
            continue;
        }
        if (from.Min < into.Min) {
            into.Min = from.Min;
            into.MinIndex = from.MinIndex;
        }
        if (from.Max > into.Max) {
            into.Max = from.Max;
            into.MaxIndex = from.MaxIndex;
        }
    }
    columns_.swap(merged);
}

void ChartEnvelope::Plot(int pixels, double xFrom, double xTo, const SampleScale& scale,
                         std::vector<ChartPoint>& out) const {
    out.clear();
    const int bins = std::max(pixels, 1);
    const double span = xTo - xFrom;
    const double perX = span > 0.0 && std::isfinite(span) ? bins / span : 0.0;
    PixelBin bin;
    int binPixel = -1;
    const auto add = [&](std::int64_t index, std::int16_t value) {
        const ChartPoint p{static_cast<double>(index) * scale.XStep, scale.A * value + scale.B};
        if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
            return;
        }
        const double position = std::floor((p.X - xFrom) * perX);
        const int pixel =
            position > 0.0 ? static_cast<int>(std::min<double>(position, bins - 1)) : 0;
        if (pixel != binPixel) {
            bin.FlushInto(out);
            binPixel = pixel;
        }
        bin.Take(p);
    };
    for (const Column& column : columns_) {
        if (column.Empty()) {
            continue;
        }
        if (column.MinIndex == column.MaxIndex) {
            add(column.MinIndex, column.Min);
        } else if (column.MinIndex < column.MaxIndex) {
            add(column.MinIndex, column.Min);
            add(column.MaxIndex, column.Max);
        } else {
            add(column.MaxIndex, column.Max);
            add(column.MinIndex, column.Min);
        }
    }
    bin.FlushInto(out);
}

} // namespace tessary
