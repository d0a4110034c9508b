// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessary {

// Times of a recording's bursts and samples from its header. The time axis counts in the
// sampling interval's unit, as the live charts do; a header whose unit has no name (a TSD
// line without one) counts in samples.
class BurstTiming {
public:
    explicit BurstTiming(const MeasurementParameters& header);

    // Time from one sample to the next, in AxisUnit().
    double Step() const { return step_; }
    // The unit's name ("msec"); empty when the header names none.
    const std::string& AxisUnit() const { return unit_; }

    // When burst k (0-based) was due to start: StartTime + k × the burst interval. The file
    // stores only the first start, so a burst that began late began after this. Nothing when
    // the interval's unit has no row.
    std::optional<double> PlannedStart(std::int64_t k) const;
    // The clock time of sample i of burst k, from its planned start.
    std::optional<double> SampleClock(std::int64_t k, std::int64_t i) const;

private:
    double startTime_;
    std::optional<long double> burstDays_;
    std::optional<long double> sampleDays_;
    double step_ = 1.0;
    std::string unit_;
};

} // namespace tessary
