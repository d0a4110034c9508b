// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/SampleText.h"

#include "data/GeneralFormat.h"
#include "data/TsdBlockReader.h"

namespace tessary {

std::string_view SampleText::Format(std::int16_t sample, const ChannelSpec& spec) {
    if (sample == ErrorValue) {
        return {};
    }
    const auto value = static_cast<double>(static_cast<long double>(spec.A) * sample +
                                           static_cast<long double>(spec.B));
    const char* end = FormatGeneralTo(text_, value, 7);
    return {text_, static_cast<std::size_t>(end - text_)};
}

std::string_view SampleText::Format(double value) {
    if (IsTsdMissing(value)) {
        return {};
    }
    const char* end = FormatGeneralTo(text_, value, 7);
    return {text_, static_cast<std::size_t>(end - text_)};
}

} // namespace tessary
