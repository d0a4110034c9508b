// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Date-times are days since 1899-12-30 00:00 as a double, the time of day as the fraction.
namespace tessary {

struct DateTimeParts {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

inline constexpr double SecondsPerDay = 86400.0;

// The current local date and time.
double NowDays();

// A ConversionError for a date or time that does not exist.
double EncodeDateTime(const DateTimeParts& parts);

// Rounds to the millisecond first; the time of day of a negative value is taken from its
// magnitude, as in the date-time type this layout comes from.
DateTimeParts DecodeDateTime(double days);

// "yyyy/mm/dd hh:nn:ss zzz", the start-time line of a TSD file.
std::string FormatDateTimeMs(double days);
// "yyyy/mm/dd hh:mm:ss", the clock of the status bar.
std::string FormatDateTime(double days);
// "hh:mm:ss" of a span: the time-of-day part, so hours run 00 to 23.
std::string FormatSpan(double days);

// Reads a line as a date "y/m/d", a time of day "h:m[:s]", or a date followed by a time;
// text after the seconds is ignored. Spaces around are allowed. Years run as
// FormatDateTimeMs writes them: 1 to 4 digits, five after 9999, "0000" and a minus sign
// before year 1. Nothing when the line is not such a date-time.
std::optional<double> TryParseDateTime(std::string_view line);

} // namespace tessary
