// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tessary {

// Index into TimeUnits; files store the index.
using TimeUnit = std::uint8_t;

struct TimeUnitRow {
    std::string_view Name;
    long double Seconds; // 80-bit extended: all interval arithmetic is done in this precision
    long double Days;
};

inline constexpr TimeUnit UnitUsec = 0;
inline constexpr TimeUnit UnitMsec = 1;
inline constexpr TimeUnit UnitSec = 2;
inline constexpr TimeUnit UnitMin = 3;
inline constexpr TimeUnit UnitHr = 4;
inline constexpr TimeUnit UnitDays = 5;
inline constexpr TimeUnit UnitYr = 8;

// What FindTimeUnit gives for a text that names no unit; it has no row.
inline constexpr TimeUnit NoTimeUnit = 10;

extern const std::array<TimeUnitRow, 9> TimeUnits;

// The row of a unit; a unit above 8 is a RangeError.
const TimeUnitRow& TimeUnitAt(int unit);

// Index of the first unit, in table order, whose name occurs anywhere in the text
// (case-sensitive); NoTimeUnit when none does. "usec" and "msec" are tried before "sec".
TimeUnit FindTimeUnit(std::string_view text);

struct UnitValue {
    std::int32_t Value;
    TimeUnit Unit;
};

// Expresses a millisecond count in the largest of msec, sec, min, hr, days that holds it as
// a whole number (0 ms gives 0 days).
UnitValue ReduceMilliseconds(std::int32_t ms);

} // namespace tessary
