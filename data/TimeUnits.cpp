// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/TimeUnits.h"

#include "data/Errors.h"

#include <string>

namespace tessary {

const std::array<TimeUnitRow, 9> TimeUnits = {{
    {"usec", 0.000001L, 0.000001L / 86400.0L},
    {"msec", 0.001L, 0.001L / 86400.0L},
    {"sec", 1.0L, 1.0L / 86400.0L},
    {"min", 60.0L, 60.0L / 86400.0L},
    {"hr", 3600.0L, 3600.0L / 86400.0L},
    {"days", 86400.0L, 1.0L},
    {"wk", 604800.0L, 7.0L},
    {"mo", 2592000.0L, 30.0L},
    {"yr", 31536000.0L, 365.0L},
}};

const TimeUnitRow& TimeUnitAt(int unit) {
    if (unit < 0 || unit >= static_cast<int>(TimeUnits.size())) {
        throw RangeError("Time unit " + std::to_string(unit) + " is out of range (0 to 8)");
    }
    return TimeUnits[static_cast<std::size_t>(unit)];
}

TimeUnit FindTimeUnit(std::string_view text) {
    for (std::size_t i = 0; i < TimeUnits.size(); ++i) {
        if (text.find(TimeUnits[i].Name) != std::string_view::npos) {
            return static_cast<TimeUnit>(i);
        }
    }
    return NoTimeUnit;
}

UnitValue ReduceMilliseconds(std::int32_t ms) {
    if (ms % 1000 != 0) {
        return {ms, UnitMsec};
    }
    const std::int32_t s = ms / 1000;
    if (s % 60 != 0) {
        return {s, UnitSec};
    }
    const std::int32_t m = s / 60;
    if (m % 60 != 0) {
        return {m, UnitMin};
    }
    const std::int32_t h = m / 60;
    if (h % 24 != 0) {
        return {h, UnitHr};
    }
    return {h / 24, UnitDays};
}

} // namespace tessary
