// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// The run settings of the next measurement, written by GatherSettings.
struct RunSettings {
    std::string FileName;                  // data file of the next run (UTF-8 path)
    double WaitTime = 0.0;                 // seconds before the first burst
    std::uint32_t BurstIntervalMs = 0;     // burst interval in milliseconds
    double BurstIntervalDays = 0.0;        // the same in days
    std::uint16_t SamplingUnitIndex = 1;   // ComboSampUnit: 0 "sec", 1 "msec", 2 "usec"
    std::int32_t RingBufferSize = 0;       // DataNum × ChNum + 32 words
    double DisplayInterval = 0.0;          // time between plotted points, in DisplayUnitName
    std::string DisplayUnitName;           // unit of the charts' time axis
    std::vector<std::uint16_t> RawSamples; // raw words of one burst, DataNum × ChNum
};

} // namespace tessary
