// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessary {

// The sample rates a device offers: a list, or a range in steps, or (for multimeters and
// data loggers) no rate at all.
struct RateCapability {
    struct Steps {
        std::uint64_t Min = 0;
        std::uint64_t Max = 0;
        std::uint64_t Step = 0; // 0: any rate from Min to Max
    };

    bool HasRate = false;             // the device takes a sample rate
    std::vector<std::uint64_t> Rates; // the rates offered, when the device lists them
    std::optional<Steps> Range;       // the rates offered, when it gives a range

    // Whether `rate` (Hz) is one the device offers; a device that takes a rate but says
    // nothing about which is given the benefit of the doubt (it refuses a wrong one itself).
    bool Offers(std::uint64_t rate) const;

    // The rate to run the device at while the backend samples it in software: the lowest
    // offered rate of at least SoftwareRateHz, or else the highest; nothing when the device
    // takes no rate or says nothing about which.
    std::optional<std::uint64_t> SoftwareRate() const;
};

// How a burst at one sampling interval is timed on a device:
// - Hardware: the device acquires exactly the burst's samples at RateHz = 1 / interval,
//   which must be a whole number of Hz that the device offers;
// - Software: for intervals of 1 s and longer, and on devices without a sample rate (from
//   MinSoftwareIntervalNs on), the backend takes each channel's latest reading at every
//   sampling instant;
// - Refused: anything else.
struct SamplingPlan {
    enum class Timing { Refused, Hardware, Software };

    Timing Mode = Timing::Refused;
    std::uint64_t RateHz = 0;    // Hardware
    std::int64_t IntervalNs = 0; // the sampling interval

    static constexpr std::int64_t SoftwareFromNs = 1'000'000'000;
    static constexpr std::int64_t MinSoftwareIntervalNs = 10'000'000;

    // `interval` in the unit of `unitIndex`: 0 sec, 1 msec, 2 usec.
    static SamplingPlan For(std::uint16_t interval, std::uint16_t unitIndex,
                            const RateCapability& device);

    // What the device accepts, in a few words for the operator's message.
    static std::string Accepted(const RateCapability& device);
};

// Software timing wants readings at least this often from a device that takes a rate.
inline constexpr std::uint64_t SoftwareRateHz = 10;

// A rate as the operator reads it, exactly: "200 kHz", "1 GHz", "1500 Hz".
std::string FormatHz(std::uint64_t rate);

} // namespace tessary
