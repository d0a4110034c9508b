// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ControlValues.h"
#include "data/TFrmSDFdata.h"

#include <cstdint>
#include <string>

namespace tessary {

// Takes the parameters of an earlier recording into the controls: reads the header of the SDF
// or TSD file at `path` (by its upper-cased extension) into sdfData's record and copies burst
// count, burst interval and unit, sampling interval and unit, number of data, channel count,
// channel table (coefficients with 5 significant digits) and comment (without the blanks
// that pad the memo field) into `values`. The
// sampling unit "usec", "msec", "sec" sets `samplingUnitIndex` to 2, 1, 0 (another unit leaves
// it) and the list follows it. Wait time, file type, file name, window placement and
// analysis program stay.
//
// A header with more than four channels shows its first four; one with no channel keeps the
// channel count and table; either is told in an information box. The record's ChNum follows
// the count shown, as the channel-count list's change does.
//
// False, with `values` unchanged, for another extension or when the reader fails (it reports
// the failure itself).
bool ReadParametersFromDataFile(const std::string& path, TFrmSDFdata& sdfData,
                                ControlValues& values, std::uint16_t& samplingUnitIndex);

} // namespace tessary
