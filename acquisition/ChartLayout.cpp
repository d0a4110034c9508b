// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ChartLayout.h"

#include <algorithm>
#include <limits>

namespace tessary {

void ChartLayout::Resize(std::int16_t& chNum, int panelWidth, int panelHeight) {
    if (chNum == 0) {
        chNum = 1;
    }
    // A negative count is no layout at all; it is shared like one channel rather than
    // giving the charts negative heights.
    const int share = std::max<int>(chNum, 1);
    const int height = std::clamp(std::max(panelHeight, 0) / share, 0,
                                  static_cast<int>(std::numeric_limits<std::int16_t>::max()));
    const int width = std::max(panelWidth, 0);
    const int laidOut = std::min(share, ChartCount);
    for (int k = 0; k < laidOut; ++k) {
        bounds_[static_cast<std::size_t>(k)] = ChartBounds{0, k * height, width, height};
    }
}

} // namespace tessary
