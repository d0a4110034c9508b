// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/SamplingPlan.h"

#include "texts/Texts.h"

#include <algorithm>

namespace tessary {

namespace {

constexpr std::int64_t NsPerSecond = 1'000'000'000;
// Nanoseconds of one step of the sampling units sec, msec, usec.
constexpr std::int64_t UnitNs[] = {NsPerSecond, 1'000'000, 1'000};

// The lowest rate of the range's grid that is at least `rate`; nothing beyond its end.
std::optional<std::uint64_t> GridRateFrom(const RateCapability::Steps& range, std::uint64_t rate) {
    std::uint64_t r = std::max(rate, range.Min);
    if (range.Step > 0) {
        const std::uint64_t over = (r - range.Min) % range.Step;
        if (over != 0) {
            r += range.Step - over;
        }
    }
    if (r > range.Max) {
        return std::nullopt;
    }
    return r;
}

} // namespace

bool RateCapability::Offers(std::uint64_t rate) const {
    if (!HasRate) {
        return false;
    }
    if (Range) {
        return GridRateFrom(*Range, rate) == rate;
    }
    if (!Rates.empty()) {
        return std::find(Rates.begin(), Rates.end(), rate) != Rates.end();
    }
    return true;
}

std::optional<std::uint64_t> RateCapability::SoftwareRate() const {
    if (!HasRate) {
        return std::nullopt;
    }
    if (Range) {
        if (const auto r = GridRateFrom(*Range, SoftwareRateHz)) {
            return r;
        }
        return Range->Max;
    }
    if (Rates.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint64_t> sorted = Rates;
    std::sort(sorted.begin(), sorted.end());
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), SoftwareRateHz);
    return at != sorted.end() ? *at : sorted.back();
}

SamplingPlan SamplingPlan::For(std::uint16_t interval, std::uint16_t unitIndex,
                               const RateCapability& device) {
    SamplingPlan plan;
    if (interval == 0 || unitIndex >= std::size(UnitNs)) {
        return plan;
    }
    plan.IntervalNs = interval * UnitNs[unitIndex];
    if (plan.IntervalNs >= SoftwareFromNs ||
        (!device.HasRate && plan.IntervalNs >= MinSoftwareIntervalNs)) {
        plan.Mode = Timing::Software;
        return plan;
    }
    if (device.HasRate && NsPerSecond % plan.IntervalNs == 0 &&
        device.Offers(static_cast<std::uint64_t>(NsPerSecond / plan.IntervalNs))) {
        plan.Mode = Timing::Hardware;
        plan.RateHz = static_cast<std::uint64_t>(NsPerSecond / plan.IntervalNs);
    }
    return plan;
}

std::string SamplingPlan::Accepted(const RateCapability& device) {
    if (!device.HasRate) {
        return texts::SoftwareIntervalsOnly;
    }
    if (device.Range) {
        return texts::IntervalsOfRateRange(FormatHz(device.Range->Min),
                                           FormatHz(device.Range->Max));
    }
    if (device.Rates.empty()) {
        return texts::IntervalsOfOfferedRates({});
    }
    std::string rates;
    for (const std::uint64_t rate : device.Rates) {
        rates += (rates.empty() ? "" : ", ") + FormatHz(rate);
    }
    return texts::IntervalsOfOfferedRates(rates);
}

std::string FormatHz(std::uint64_t rate) {
    constexpr std::pair<std::uint64_t, const char*> Prefixes[] = {
        {1'000'000'000, " GHz"}, {1'000'000, " MHz"}, {1'000, " kHz"}};
    for (const auto& [size, unit] : Prefixes) {
        if (rate >= size && rate % size == 0) {
            return std::to_string(rate / size) + unit;
        }
    }
    return std::to_string(rate) + " Hz";
}

} // namespace tessary
