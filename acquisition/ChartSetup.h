// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"

#include <array>
#include <string>
#include <string_view>

namespace tessary {

// What one chart shows before a burst: UTF-8 texts ready for the widgets.
struct ChartCaptions {
    bool Visible = false;
    std::string Title;       // the channel's item name
    std::string LeftTitle;   // the channel's unit
    std::string BottomTitle; // "Time (unit)" on the lowest visible chart only
};

// Visibility and titles of the four charts for the record's channel count and channel table
// (CP932 texts) and the display unit name.
class ChartSetup {
public:
    static constexpr int ChartCount = 4;

    static std::array<ChartCaptions, ChartCount> Captions(const MeasurementParameters& record,
                                                          std::string_view displayUnitName);
};

} // namespace tessary
