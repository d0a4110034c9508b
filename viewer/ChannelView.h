// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ChartSource.h"

#include <cstdint>
#include <optional>

namespace tessary {

// Statistics of the samples of a range that have a value, in engineering units.
struct RangeStatistics {
    std::int64_t Values = 0; // samples with a value
    std::int64_t Gaps = 0;   // missing samples (and, read from text, values that are no number)
    double Min = 0.0;
    double Max = 0.0;
    double Mean = 0.0;
    double Rms = 0.0;
};

// One channel of a burst as the viewer shows it: sample i at time i × step, its engineering
// value, the line a chart draws and statistics of any range, all from an index built when
// the burst was read.
class ChannelView : public ChartSource {
public:
    virtual std::int64_t Scans() const = 0;
    // The time between two samples, in the chart's time unit.
    virtual double Step() const = 0;
    // The engineering value of sample i; nothing when it is missing. A value read from text
    // that is no number (NAN, INF) comes back as it is.
    virtual std::optional<double> ValueAt(std::int64_t i) const = 0;
    // Samples first to end − 1, clamped to the burst.
    virtual RangeStatistics Statistics(std::int64_t first, std::int64_t end) const = 0;
    virtual std::size_t HeldBytes() const = 0;

    // The samples whose time lies in [from, to]: first and end, clamped to the burst.
    std::int64_t FirstAt(double from) const;
    std::int64_t EndAt(double to) const;
};

} // namespace tessary
