// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/IndexedChannel.h"

#include "data/TsdBlockReader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace tessary {

namespace {

constexpr double Gap = std::numeric_limits<double>::quiet_NaN();

// Up to this many samples a pixel the samples themselves are drawn, joined by straight
// lines; above it each pixel column is drawn as the stroke from its lowest to its highest.
constexpr double MostSamplesDrawnSingly = 2.0;

void BreakLine(std::vector<ChartPoint>& out, double x) {
    if (!out.empty() && !std::isnan(out.back().Y)) {
        out.push_back({x, Gap});
    }
}

} // namespace

template <typename T>
IndexedChannel<T>::IndexedChannel(SampleColumn<T> column, std::int16_t missingMark, double a,
                                  double b, double step)
    : column_(column), missingMark_(missingMark), a_(a), b_(b),
      step_(step > 0.0 && std::isfinite(step) ? step : 1.0) {
    extents_.Build(column, missingMark);
    moments_.Build(column, missingMark);
}

template <typename T> std::optional<double> IndexedChannel<T>::ValueAt(std::int64_t i) const {
    if (i < 0 || i >= column_.Count) {
        return std::nullopt;
    }
    const T value = column_[i];
    if constexpr (std::is_same_v<T, double>) {
        if (IsTsdMissing(value)) {
            return std::nullopt;
        }
        return Engineering(value);
    } else {
        if (value == missingMark_) {
            return std::nullopt;
        }
        // As the TSD writer and the exports compute it: in extended precision, then rounded.
        return static_cast<double>(static_cast<long double>(a_) * value + b_);
    }
}

template <typename T>
void IndexedChannel<T>::Span(const typename MinMaxIndex<T>::Extent& extent, double& low,
                             double& high) const {
    const double first = Engineering(static_cast<double>(extent.Min));
    const double second = Engineering(static_cast<double>(extent.Max));
    low = std::min(first, second);
    high = std::max(first, second);
}

template <typename T>
RangeStatistics IndexedChannel<T>::Statistics(std::int64_t first, std::int64_t end) const {
    const std::int64_t lo = std::clamp<std::int64_t>(first, 0, column_.Count);
    const std::int64_t hi = std::clamp<std::int64_t>(end, lo, column_.Count);
    const typename MomentIndex<T>::Moments moments = moments_.Query(lo, hi);
    RangeStatistics statistics;
    statistics.Values = moments.Values;
    statistics.Gaps = (hi - lo) - moments.Values;
    if (moments.Values == 0) {
        return statistics;
    }
    Span(extents_.Query(lo, hi), statistics.Min, statistics.Max);
    const auto n = static_cast<double>(moments.Values);
    const double mean = moments.Sum / n;
    const double meanSquare = moments.SumOfSquares / n;
    statistics.Mean = a_ * mean + b_;
    // The mean of (A·x + B)² from the moments of x.
    const double square = a_ * a_ * meanSquare + 2.0 * a_ * b_ * mean + b_ * b_;
    statistics.Rms = std::sqrt(std::max(square, 0.0));
    return statistics;
}

template <typename T>
bool IndexedChannel<T>::ValueRange(double xFrom, double xTo, double& low, double& high) const {
    const typename MinMaxIndex<T>::Extent extent = extents_.Query(FirstAt(xFrom), EndAt(xTo));
    if (extent.Empty()) {
        return false;
    }
    Span(extent, low, high);
    return std::isfinite(low) && std::isfinite(high);
}

template <typename T>
void IndexedChannel<T>::PlotSamples(double xFrom, double xTo, std::vector<ChartPoint>& out) const {
    // One sample beyond each end, so that the line runs to the plot's edges.
    const std::int64_t first = std::max<std::int64_t>(FirstAt(xFrom) - 1, 0);
    const std::int64_t end = std::min(EndAt(xTo) + 1, column_.Count);
    for (std::int64_t i = first; i < end; ++i) {
        const double x = static_cast<double>(i) * step_;
        const T value = column_[i];
        if (IsGap(value, missingMark_)) {
            BreakLine(out, x);
        } else {
            out.push_back({x, Engineering(static_cast<double>(value))});
        }
    }
}

template <typename T>
void IndexedChannel<T>::Plot(int pixels, double xFrom, double xTo,
                             std::vector<ChartPoint>& out) const {
    out.clear();
    const double span = xTo - xFrom;
    if (column_.Count == 0 || !(span > 0.0) || !std::isfinite(span)) {
        return;
    }
    const int columns = std::max(pixels, 1);
    if (span / step_ / columns <= MostSamplesDrawnSingly) {
        PlotSamples(xFrom, xTo, out);
        return;
    }
    // Pixel column p holds the samples from FirstAt(its left edge) up to the first of the
    // next column, so every sample falls into exactly one column.
    const double width = span / columns;
    std::int64_t first = FirstAt(xFrom);
    double previous = Gap;
    for (int p = 0; p < columns; ++p) {
        const std::int64_t end = p + 1 == columns ? EndAt(xTo) : FirstAt(xFrom + (p + 1) * width);
        const double x = xFrom + (p + 0.5) * width;
        if (end <= first) {
            continue;
        }
        const typename MinMaxIndex<T>::Extent extent = extents_.Query(first, end);
        first = end;
        double low = 0.0;
        double high = 0.0;
        if (extent.Empty()) {
            BreakLine(out, x);
            previous = Gap;
            continue;
        }
        Span(extent, low, high);
        // From the previous column's end to the nearer extreme first, so that neighbouring
        // strokes join without crossing.
        const bool lowFirst =
            std::isnan(previous) || std::fabs(previous - low) <= std::fabs(previous - high);
        out.push_back({x, lowFirst ? low : high});
        if (high != low) {
            out.push_back({x, lowFirst ? high : low});
        }
        previous = out.back().Y;
    }
}

template class IndexedChannel<std::int16_t>;
template class IndexedChannel<double>;

} // namespace tessary
