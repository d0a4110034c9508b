// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

namespace tessary {

// Room that FormatGeneralTo needs at the most.
inline constexpr std::size_t GeneralFormatMaxChars = 32;

// Writes `value` rounded to `digits` significant digits (1 to 17) in its shortest form:
// fixed notation when the rounded value has at most `digits` digits before the decimal point
// and a magnitude of at least 0.0001, otherwise d.dddE[-]x with no exponent sign for positive
// exponents and no leading zeros. No trailing zeros, no unneeded point; zero is "0".
// Writes at most GeneralFormatMaxChars characters, no terminator; returns the end.
char* FormatGeneralTo(char* out, double value, int digits);

std::string FormatGeneral(double value, int digits);

} // namespace tessary
