// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ControlValues.h"
#include "data/MeasurementParameters.h"

#include <string>

namespace tessary {

// Entries of the channel-count list and default rows of the channel table.
inline constexpr int MaxChannels = 4;

// Header defaults of a fresh start: SInterval 100 msec, one channel, 512 data, burst unit hr,
// rows 0 to MaxChannels - 1 named Ch.1 to Ch.4 in mV with A 1 and B 0.
void ApplyStartupDefaults(MeasurementParameters& record);

// The controls as a fresh start fills them from `record` (after ApplyStartupDefaults): the
// channel table's rows 1 to MaxChannels numbered 0 to MaxChannels - 1, the channel count
// ChNum, the data file "ADdata.sdf" in `dataFolder` (which ends with a separator).
ControlValues StartupControlValues(const MeasurementParameters& record,
                                   const std::string& dataFolder);

} // namespace tessary
