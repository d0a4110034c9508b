// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/ChannelView.h"
#include "viewer/MinMaxIndex.h"
#include "viewer/MomentIndex.h"

namespace tessary {

// A ChannelView over samples of type T held by the burst (16-bit stored samples with the
// channel's A and B, or values read from text with A 1 and B 0), with its min/max and
// moment indexes.
template <typename T> class IndexedChannel final : public ChannelView {
public:
    // Indexes the column now; its values must stay in place while this object lives.
    IndexedChannel(SampleColumn<T> column, std::int16_t missingMark, double a, double b,
                   double step);

    std::int64_t Scans() const override { return column_.Count; }
    double Step() const override { return step_; }
    std::optional<double> ValueAt(std::int64_t i) const override;
    RangeStatistics Statistics(std::int64_t first, std::int64_t end) const override;
    std::size_t HeldBytes() const override { return extents_.HeldBytes() + moments_.HeldBytes(); }

    bool ValueRange(double xFrom, double xTo, double& low, double& high) const override;
    void Plot(int pixels, double xFrom, double xTo, std::vector<ChartPoint>& out) const override;

private:
    double Engineering(double value) const { return a_ * value + b_; }
    // An extent in engineering units, low first (A may be negative).
    void Span(const typename MinMaxIndex<T>::Extent& extent, double& low, double& high) const;
    void PlotSamples(double xFrom, double xTo, std::vector<ChartPoint>& out) const;

    SampleColumn<T> column_;
    std::int16_t missingMark_;
    double a_;
    double b_;
    double step_;
    MinMaxIndex<T> extents_;
    MomentIndex<T> moments_;
};

} // namespace tessary
