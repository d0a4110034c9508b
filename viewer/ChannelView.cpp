// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ChannelView.h"

#include <algorithm>
#include <cmath>

namespace tessary {

namespace {

// A sample number from a time, held within [0, scans] before it is made an integer.
std::int64_t Clamped(double scan, std::int64_t scans) {
    if (!(scan > 0.0)) {
        return 0;
    }
    return scan >= static_cast<double>(scans) ? scans : static_cast<std::int64_t>(scan);
}

} // namespace

std::int64_t ChannelView::FirstAt(double from) const {
    return Clamped(std::ceil(from / Step()), Scans());
}

std::int64_t ChannelView::EndAt(double to) const {
    return Clamped(std::floor(to / Step()) + 1.0, Scans());
}

} // namespace tessary
