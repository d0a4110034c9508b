// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace tessary {

struct ChartBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    bool operator==(const ChartBounds&) const = default;
};

// Bounds of the four stacked charts in their panel. The height share is the panel's height
// divided by the channel count, not by the number of charts, so with more than four channels
// the charts fill only the upper part of the panel.
class ChartLayout {
public:
    static constexpr int ChartCount = 4;

    // Gives each of the first chNum charts (at most four) the panel's width and
    // panelHeight div chNum, stacked from the top. A chNum of 0 is raised to 1 in place.
    // Charts beyond chNum keep their bounds.
    void Resize(std::int16_t& chNum, int panelWidth, int panelHeight);

    const ChartBounds& Bounds(int chart) const {
        return bounds_.at(static_cast<std::size_t>(chart));
    }

private:
    std::array<ChartBounds, ChartCount> bounds_{};
};

} // namespace tessary
