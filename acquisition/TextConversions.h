// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessary {

// Strict text-to-number conversions of the controls' texts. Both raise a ConversionError
// for a text that is not wholly a number.

// Leading spaces, an optional sign, then decimal digits or hexadecimal ones after "$" or
// "0x"; nothing after the digits. The value must fit 32 bits signed.
std::int32_t TextToInt(std::string_view text);

// Spaces around, an optional sign, digits with at most one decimal point (at least one
// digit), an optional exponent. Infinite or not-a-number results do not convert. The point
// is a full stop whatever the process locale, as in every file.
double TextToFloat(std::string_view text);

// A number typed in the window with the desktop's decimal separator `localeDecimal`: when
// that is a comma, a text with one comma and no full stop gets a full stop in its place,
// so that the window takes "0,5" and "0.5" alike. Any other text is returned as it is.
std::string WithFullStop(std::string_view text, std::string_view localeDecimal);

} // namespace tessary
