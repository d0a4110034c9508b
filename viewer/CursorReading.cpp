// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/CursorReading.h"

#include "data/GeneralFormat.h"
#include "texts/Texts.h"

#include <algorithm>
#include <cmath>

namespace tessary {

CursorReading CursorReading::At(const ShownBurst& burst, const BurstTiming& timing, double time) {
    CursorReading reading;
    const double last = static_cast<double>(std::max<std::int64_t>(burst.Scans() - 1, 0));
    const double scan = std::clamp(std::round(time / timing.Step()), 0.0, last);
    reading.Scan = std::isfinite(scan) ? static_cast<std::int64_t>(scan) : 0;
    reading.Time = static_cast<double>(reading.Scan) * timing.Step();
    reading.Clock = timing.SampleClock(burst.Number(), reading.Scan);
    for (int c = 0; c < burst.Channels(); ++c) {
        reading.Values.push_back(burst.Channel(c).ValueAt(reading.Scan));
    }
    return reading;
}

std::string ReadoutText(const std::optional<double>& value) {
    return value ? FormatGeneral(*value, 7) : std::string(texts::ViewerMissingValue);
}

std::optional<double> Difference(const std::optional<double>& first,
                                 const std::optional<double>& second) {
    if (!first || !second) {
        return std::nullopt;
    }
    return *second - *first;
}

} // namespace tessary
