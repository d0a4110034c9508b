// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"

#include <string_view>

namespace tessary {

// Engineering values as text with 7 significant digits, as the TSD writer writes them; empty
// for a missing sample.
class SampleText {
public:
    // A·X + B of a stored sample (computed in extended precision, then rounded to a double);
    // empty for ErrorValue.
    std::string_view Format(std::int16_t sample, const ChannelSpec& spec);
    // A value read from a TSD file; empty for TsdMissing.
    std::string_view Format(double value);

private:
    char text_[32] = {};
};

} // namespace tessary
