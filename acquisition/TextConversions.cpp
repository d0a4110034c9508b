// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/TextConversions.h"

#include "data/Errors.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace tessary {

namespace {

[[noreturn]] void NotANumber(std::string_view text, const char* kind) {
    throw ConversionError("'" + std::string(text) + "' is not a valid " + kind);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

locale_t CLocale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    return c;
}

} // namespace

std::int32_t TextToInt(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos == text.size()) {
        NotANumber(text, "integer value");
    }
    // The magnitude may reach 2^31 for the most negative value.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit =
            base == 10 ? (IsDigit(text[pos]) ? text[pos] - '0' : -1) : HexDigit(text[pos]);
        if (digit < 0) {
            NotANumber(text, "integer value");
        }
        value = value * base + digit;
        if (value > limit) {
            NotANumber(text, "integer value");
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        NotANumber(text, "integer value");
    }
    return static_cast<std::int32_t>(value);
}

double TextToFloat(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == ' ') {
        --end;
    }
    // Checked by hand first: strtod alone would also take "inf", "nan" and hexadecimal.
    std::size_t pos = begin;
    if (pos < end && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    std::size_t digits = 0;
    while (pos < end && IsDigit(text[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < end && text[pos] == '.') {
        ++pos;
        while (pos < end && IsDigit(text[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0) {
        NotANumber(text, "floating point value");
    }
    if (pos < end && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < end && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        const std::size_t exponentStart = pos;
        while (pos < end && IsDigit(text[pos])) {
            ++pos;
        }
        if (pos == exponentStart) {
            NotANumber(text, "floating point value");
        }
    }
    if (pos != end) {
        NotANumber(text, "floating point value");
    }
    const std::string number(text.substr(begin, end - begin));
    errno = 0;
    // The C locale's conversion: the process locale, which the window takes from the
    // desktop, may want a decimal comma and would stop at the point.
    const double value = ::strtod_l(number.c_str(), nullptr, CLocale());
    if (!std::isfinite(value) || (errno == ERANGE && std::fabs(value) > 1.0)) {
        NotANumber(text, "floating point value");
    }
    return value;
}

std::string WithFullStop(std::string_view text, std::string_view localeDecimal) {
    std::string out(text);
    if (localeDecimal != "," || out.find('.') != std::string::npos) {
        return out;
    }
    const std::size_t comma = out.find(',');
    if (comma != std::string::npos && out.find(',', comma + 1) == std::string::npos) {
        out[comma] = '.';
    }
    return out;
}

} // namespace tessary
