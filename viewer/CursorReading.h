// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/BurstTiming.h"
#include "viewer/ShownBurst.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessary {

// What a cursor reads from a burst: the sample nearest to its time, that sample's time from
// the burst's start and on the clock (from the burst's planned start), and every channel's
// engineering value there (nothing for a missing sample).
struct CursorReading {
    std::int64_t Scan = 0;
    double Time = 0.0;           // in the timing's unit
    std::optional<double> Clock; // days since 1899-12-30
    std::vector<std::optional<double>> Values;

    static CursorReading At(const ShownBurst& burst, const BurstTiming& timing, double time);
};

// A value as the readout shows it: 7 significant digits, the same under every locale, "—"
// for nothing.
std::string ReadoutText(const std::optional<double>& value);

// The difference second − first, nothing unless both have a value.
std::optional<double> Difference(const std::optional<double>& first,
                                 const std::optional<double>& second);

} // namespace tessary
