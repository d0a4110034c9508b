// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ChartSetup.h"

#include "data/Cp932.h"

namespace tessary {

std::array<ChartCaptions, ChartSetup::ChartCount>
ChartSetup::Captions(const MeasurementParameters& record, std::string_view displayUnitName) {
    std::array<ChartCaptions, ChartCount> captions;
    for (int k = 0; k < ChartCount; ++k) {
        ChartCaptions& chart = captions[static_cast<std::size_t>(k)];
        chart.Visible = k == 0 || record.ChNum >= k + 1;
        chart.Title = Cp932ToUtf8(record.Channel(k).Item);
        chart.LeftTitle = Cp932ToUtf8(record.Channel(k).Unit);
    }
    if (record.ChNum >= 1 && record.ChNum <= ChartCount) {
        captions[static_cast<std::size_t>(record.ChNum - 1)].BottomTitle =
            "Time (" + std::string(displayUnitName) + ")";
    }
    return captions;
}

} // namespace tessary
