#pragma once

#include "data/MeasurementParameters.h"

#include <string_view>

namespace tessary {

// The engineering value A·X + B of a stored sample as text with 7 significant digits, as the
// TSD writer writes it (computed in extended precision, then rounded to a double); empty
// for ErrorValue.
class SampleText {
public:
    std::string_view Format(std::int16_t sample, const ChannelSpec& spec);

private:
    char text_[32] = {};
};

} // namespace tessary
