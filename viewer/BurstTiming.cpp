// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/BurstTiming.h"

#include "data/TimeUnits.h"

namespace tessary {

BurstTiming::BurstTiming(const MeasurementParameters& header) : startTime_(header.StartTime) {
    if (header.SITUnit < TimeUnits.size() && header.SInterval > 0) {
        step_ = header.SInterval;
        unit_ = TimeUnits[header.SITUnit].Name;
        sampleDays_ = header.SInterval * TimeUnits[header.SITUnit].Days;
    }
    if (header.BITUnit < TimeUnits.size()) {
        burstDays_ = header.BInterval * TimeUnits[header.BITUnit].Days;
    }
}

std::optional<double> BurstTiming::PlannedStart(std::int64_t k) const {
    if (k == 0) {
        return startTime_;
    }
    if (!burstDays_) {
        return std::nullopt;
    }
    return static_cast<double>(startTime_ + static_cast<long double>(k) * *burstDays_);
}

std::optional<double> BurstTiming::SampleClock(std::int64_t k, std::int64_t i) const {
    const std::optional<double> start = PlannedStart(k);
    if (!start || !sampleDays_) {
        return std::nullopt;
    }
    return static_cast<double>(*start + static_cast<long double>(i) * *sampleDays_);
}

} // namespace tessary
