#pragma once

#include <cstdint>
#include <string_view>

namespace tessary {

// Strict text-to-number conversions of the controls' texts. Both raise a ConversionError
// for a text that is not wholly a number.

// Leading spaces, an optional sign, then decimal digits or hexadecimal ones after "$" or
// "0x"; nothing after the digits. The value must fit 32 bits signed.
std::int32_t TextToInt(std::string_view text);

// Spaces around, an optional sign, digits with at most one decimal point (at least one
// digit), an optional exponent. Infinite or not-a-number results do not convert.
double TextToFloat(std::string_view text);

} // namespace tessary
