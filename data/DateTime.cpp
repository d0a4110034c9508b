// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/DateTime.h"

#include "data/Errors.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <sys/time.h>

namespace tessary {

namespace {

constexpr std::int64_t MsPerDay = 86400000;
// Days from 1899-12-30 to 1970-01-01.
constexpr std::int64_t UnixEpochDays = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy =
        (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// Proleptic Gregorian, also for years 0 and before.
bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

bool ValidDate(int y, int m, int d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

// Years as FormatDateTimeMs writes them for every date it shows: "%04d", so "0000" and "-001"
// before year 1 and five digits after 9999 (DecodeDateTime keeps within 3 million days of the
// epoch).
constexpr int EarliestWrittenYear = -9999;
constexpr int LatestWrittenYear = 99999;

bool ValidWrittenDate(int y, int m, int d) {
    return y >= EarliestWrittenYear && y <= LatestWrittenYear && m >= 1 && m <= 12 && d >= 1 &&
           d <= DaysInMonth(y, m);
}

bool ValidTime(int h, int n, int s, int ms) {
    return h >= 0 && h < 24 && n >= 0 && n < 60 && s >= 0 && s < 60 && ms >= 0 && ms < 1000;
}

double DateToDays(int y, int m, int d) {
    return static_cast<double>(DaysFromCivil(y, m, d) + UnixEpochDays);
}

double TimeToDays(int h, int n, int s, int ms) {
    return static_cast<double>(((h * 60 + n) * 60 + s) * 1000 + ms) / static_cast<double>(MsPerDay);
}

// A run of 1 to `maxDigits` decimal digits.
bool ReadNumber(std::string_view text, std::size_t& pos, int maxDigits, int& value) {
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' &&
           static_cast<int>(pos - start) < maxDigits) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start && !(pos < text.size() && text[pos] >= '0' && text[pos] <= '9');
}

void SkipSpaces(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
}

// "y/m/d" at pos; the year as FormatDateTimeMs writes it, a sign before year 1 included.
bool ReadDate(std::string_view text, std::size_t& pos, double& days) {
    std::size_t p = pos;
    int y = 0;
    int m = 0;
    int d = 0;
    const bool negative = p < text.size() && text[p] == '-';
    p += negative ? 1 : 0;
    if (!ReadNumber(text, p, 5, y) || p >= text.size() || text[p] != '/') {
        return false;
    }
    y = negative ? -y : y;
    ++p;
    if (!ReadNumber(text, p, 2, m) || p >= text.size() || text[p] != '/') {
        return false;
    }
    ++p;
    if (!ReadNumber(text, p, 2, d) || !ValidWrittenDate(y, m, d)) {
        return false;
    }
    pos = p;
    days = DateToDays(y, m, d);
    return true;
}

// "h:m" or "h:m:s" at pos; anything after the seconds is left unread.
bool ReadTime(std::string_view text, std::size_t& pos, double& days, bool& hadSeconds) {
    std::size_t p = pos;
    int h = 0;
    int n = 0;
    int s = 0;
    if (!ReadNumber(text, p, 2, h) || p >= text.size() || text[p] != ':') {
        return false;
    }
    ++p;
    if (!ReadNumber(text, p, 2, n)) {
        return false;
    }
    hadSeconds = false;
    if (p < text.size() && text[p] == ':') {
        ++p;
        if (!ReadNumber(text, p, 2, s)) {
            return false;
        }
        hadSeconds = true;
    }
    if (!ValidTime(h, n, s, 0)) {
        return false;
    }
    pos = p;
    days = TimeToDays(h, n, s, 0);
    return true;
}

} // namespace

double NowDays() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    const std::time_t secs = tv.tv_sec;
    std::tm local{};
    localtime_r(&secs, &local);
    return DateToDays(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
            static_cast<double>(tv.tv_usec) / 1e6) /
               SecondsPerDay;
}

double EncodeDateTime(const DateTimeParts& p) {
    if (!ValidDate(p.Year, p.Month, p.Day) ||
        !ValidTime(p.Hour, p.Minute, p.Second, p.Millisecond)) {
        char text[64];
        std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d.%03d", p.Year, p.Month,
                      p.Day, p.Hour, p.Minute, p.Second, p.Millisecond);
        throw ConversionError(std::string("'") + text + "' is not a valid date and time");
    }
    const double date = DateToDays(p.Year, p.Month, p.Day);
    const double time = TimeToDays(p.Hour, p.Minute, p.Second, p.Millisecond);
    // Before 1899-12-30 the time of day counts away from zero, as the fraction's magnitude.
    return date < 0 ? date - time : date + time;
}

DateTimeParts DecodeDateTime(double days) {
    DateTimeParts p;
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) {
        return p; // far outside any calendar a file can mean; shown as the epoch
    }
    const auto total =
        static_cast<std::int64_t>(std::llround(days * static_cast<double>(MsPerDay)));
    const std::int64_t date = total / MsPerDay;
    std::int64_t time = (total < 0 ? -total : total) % MsPerDay;
    CivilFromDays(date - UnixEpochDays, p.Year, p.Month, p.Day);
    p.Millisecond = static_cast<int>(time % 1000);
    time /= 1000;
    p.Second = static_cast<int>(time % 60);
    time /= 60;
    p.Minute = static_cast<int>(time % 60);
    p.Hour = static_cast<int>(time / 60);
    return p;
}

std::string FormatDateTimeMs(double days) {
    const DateTimeParts p = DecodeDateTime(days);
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d %03d", p.Year, p.Month, p.Day,
                  p.Hour, p.Minute, p.Second, p.Millisecond);
    return text;
}

std::string FormatDateTime(double days) {
    const DateTimeParts p = DecodeDateTime(days);
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", p.Year, p.Month, p.Day,
                  p.Hour, p.Minute, p.Second);
    return text;
}

std::string FormatSpan(double days) {
    const DateTimeParts p = DecodeDateTime(days);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", p.Hour, p.Minute, p.Second);
    return text;
}

std::optional<double> TryParseDateTime(std::string_view line) {
    std::size_t pos = 0;
    SkipSpaces(line, pos);
    double date = 0;
    double time = 0;
    bool hadSeconds = false;
    const bool hasDate = ReadDate(line, pos, date);
    if (hasDate) {
        SkipSpaces(line, pos);
        if (pos == line.size()) {
            return date;
        }
    }
    if (!ReadTime(line, pos, time, hadSeconds)) {
        return std::nullopt;
    }
    if (!hadSeconds) {
        SkipSpaces(line, pos);
        if (pos != line.size()) {
            return std::nullopt;
        }
    }
    return date < 0 ? date - time : date + time;
}

} // namespace tessary
