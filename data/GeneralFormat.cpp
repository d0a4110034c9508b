// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/GeneralFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tessary {

namespace {

constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10,
                                  1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21,
                                  1e22, 1e23, 1e24, 1e25, 1e26, 1e27, 1e28, 1e29, 1e30, 1e31};

char* CopyText(char* out, const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return out + n;
}

// Decimal digits and exponent of v rounded to `digits` significant digits, halves away from
// zero. The library rounds correctly but sends exact halves to the even neighbour, so an exact
// half is found first: with 25 more digits, a double that is not a half cannot show "5"
// followed only by zeros (adjacent doubles differ by far more than 1e-25 relative).
void LibraryDigits(double v, int digits, char* mant, int& mantLen, int& exponent) {
    char sci[96];
    auto res =
        std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, digits - 1 + 25);
    const char* first = sci + (*sci == '-' ? 1 : 0);
    const char* e = first;
    while (e < res.ptr && *e != 'e') {
        ++e;
    }
    // The digits without the point: first[0], then first[2] onwards.
    const auto digitAt = [&](int i) { return i == 0 ? first[0] : first[i + 1]; };
    const int total = static_cast<int>(e - first) - 1;
    bool exactHalf = digitAt(digits) == '5';
    for (int i = digits + 1; exactHalf && i < total; ++i) {
        exactHalf = digitAt(i) == '0';
    }
    if (exactHalf) {
        std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), res.ptr, exponent);
        mantLen = digits;
        for (int i = 0; i < digits; ++i) {
            mant[i] = digitAt(i);
        }
        int i = digits - 1;
        while (i >= 0 && mant[i] == '9') {
            mant[i--] = '0';
        }
        if (i >= 0) {
            ++mant[i];
        } else {
            mant[0] = '1';
            ++exponent;
        }
        return;
    }
    res = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, digits - 1);
    const char* p = sci + (*sci == '-' ? 1 : 0);
    mantLen = 0;
    for (; p < res.ptr && *p != 'e'; ++p) {
        if (*p != '.') {
            mant[mantLen++] = *p;
        }
    }
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, exponent);
}

// The same by scaling to an integer, several times faster. Powers of ten up to 1e22 are
// exact doubles, so the scaled value is off by at most one rounding (about 1e-9 for a
// 7-digit result); a result that close to a half falls back to the library. False when the
// value is outside the scaled range or that close to a half.
bool ScaledDigits(double av, int digits, char* mant, int& mantLen, int& exponent) {
    if (!(av >= 1e-15 && av < 1e15) || digits > 15) {
        return false;
    }
    int e = 0;
    while (e < 15 && av >= PowersOfTen[e + 1]) {
        ++e;
    }
    if (av < 1.0) {
        e = -1;
        while (e > -15 && av < 1.0 / PowersOfTen[-e]) {
            --e;
        }
    }
    const int k = digits - 1 - e;
    if (k > 22 || k < -22) {
        return false;
    }
    const double scaled = k >= 0 ? av * PowersOfTen[k] : av / PowersOfTen[-k];
    const double fraction = scaled - std::floor(scaled);
    if (std::fabs(fraction - 0.5) < 1e-6) {
        return false;
    }
    auto m = static_cast<std::int64_t>(scaled + 0.5);
    if (m < static_cast<std::int64_t>(PowersOfTen[digits - 1])) {
        return false; // the estimate of the exponent was off; let the library decide
    }
    const auto limit = static_cast<std::int64_t>(PowersOfTen[digits]);
    if (m > limit) {
        return false;
    }
    if (m == limit) {
        m /= 10; // rounded up to one more digit: 9.9999995 → 10.00000
        ++e;
    }
    exponent = e;
    mantLen = digits;
    for (int i = digits - 1; i >= 0; --i) {
        mant[i] = static_cast<char>('0' + m % 10);
        m /= 10;
    }
    return true;
}

} // namespace

char* FormatGeneralTo(char* out, double value, int digits) {
    if (digits < 1) {
        digits = 1;
    } else if (digits > 17) {
        digits = 17;
    }
    if (std::isnan(value)) {
        return CopyText(out, "NAN");
    }
    if (std::isinf(value)) {
        return CopyText(out, value < 0 ? "-INF" : "INF");
    }
    if (value == 0.0) {
        *out = '0';
        return out + 1;
    }
    // Most recorded values are whole numbers: those with no more digits than asked for are
    // written exactly as integers.
    if (std::fabs(value) < PowersOfTen[digits] && value == std::trunc(value)) {
        return std::to_chars(out, out + GeneralFormatMaxChars, static_cast<std::int64_t>(value))
            .ptr;
    }

    char mant[20];
    int mantLen = 0;
    int exponent = 0;
    const bool negative = value < 0;
    if (!ScaledDigits(std::fabs(value), digits, mant, mantLen, exponent)) {
        LibraryDigits(value, digits, mant, mantLen, exponent);
    }
    while (mantLen > 1 && mant[mantLen - 1] == '0') {
        --mantLen;
    }

    char* o = out;
    if (negative) {
        *o++ = '-';
    }
    if (exponent < -4 || exponent >= digits) {
        *o++ = mant[0];
        if (mantLen > 1) {
            *o++ = '.';
            std::memcpy(o, mant + 1, static_cast<std::size_t>(mantLen - 1));
            o += mantLen - 1;
        }
        *o++ = 'E';
        return std::to_chars(o, out + GeneralFormatMaxChars, exponent).ptr;
    }
    if (exponent >= 0) {
        const int intDigits = exponent + 1;
        for (int i = 0; i < intDigits; ++i) {
            *o++ = i < mantLen ? mant[i] : '0';
        }
        if (mantLen > intDigits) {
            *o++ = '.';
            std::memcpy(o, mant + intDigits, static_cast<std::size_t>(mantLen - intDigits));
            o += mantLen - intDigits;
        }
        return o;
    }
    *o++ = '0';
    *o++ = '.';
    for (int i = 0; i < -exponent - 1; ++i) {
        *o++ = '0';
    }
    std::memcpy(o, mant, static_cast<std::size_t>(mantLen));
    return o + mantLen;
}

std::string FormatGeneral(double value, int digits) {
    char buf[GeneralFormatMaxChars];
    return std::string(buf, FormatGeneralTo(buf, value, digits));
}

} // namespace tessary
