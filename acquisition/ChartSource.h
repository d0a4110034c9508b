// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ChartEnvelope.h"

#include <vector>

namespace tessary {

// What a chart draws when its owner keeps the samples and their index (the viewer of recorded
// bursts), instead of the chart's own envelope of the running burst. x is time, y the
// engineering value.
class ChartSource {
public:
    virtual ~ChartSource() = default;

    // The smallest and the largest value of the samples whose time lies in [xFrom, xTo];
    // false when none of them has a value.
    virtual bool ValueRange(double xFrom, double xTo, double& low, double& high) const = 0;

    // Replaces `out` with the line for a plot `pixels` wide from xFrom to xTo, ascending in x:
    // every sample lies within the values drawn in its own pixel column. A point whose Y is
    // NaN breaks the line there (missing samples); points outside [xFrom, xTo] may be given
    // so that the line reaches the plot's edges.
    virtual void Plot(int pixels, double xFrom, double xTo, std::vector<ChartPoint>& out) const = 0;
};

} // namespace tessary
