// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tessary {

// The ticks of one chart axis: the axis runs from the first tick to the last.
struct AxisTicks {
    double Min = 0.0;
    double Max = 1.0;
    std::vector<double> Values;      // ascending, Min first and Max last
    std::vector<std::string> Labels; // one text per tick

    bool operator==(const AxisTicks&) const = default;
};

// Round ticks for an axis that scales itself to its data, as chart components do: the step is
// 1, 2 or 5 × 10^n, the axis is the data's range rounded out to the ticks, and the step is the
// smallest at which neighbouring labels do not meet.
//
// Labels are written from the tick's integer multiple of the step, so they carry no binary
// rounding noise and read the same under every locale: fixed notation with the step's
// decimals on every label ("-0.5", "0.0", "0.5"); scientific notation ("2.5E6", "1E-5", and
// "0" for zero) when the step is below 0.0001 or a tick reaches a million.
class AxisScale {
public:
    // The room, in pixels along the axis, that a tick needs for its label, given all the
    // axis's labels: for a horizontal axis the widest label's width plus a gap, for a vertical
    // one the line height plus a gap.
    using LabelRoom = std::function<double(const std::vector<std::string>& labels)>;

    // Ticks for data from `low` to `high` on an axis `length` pixels long. A range too small to
    // tell from its values (a single value, say) is widened by a tenth of its value on either
    // side, or by 1 around zero. When even one interval is too short for its labels, the
    // ticks with the fewest intervals are given. Non-finite data gives the axis 0 to 1.
    static AxisTicks Fit(double low, double high, double length, const LabelRoom& room);

    // Ticks for an axis that shows exactly `low` to `high` (a zoomed time axis): Min and Max
    // are those ends, Values the round ticks between them (possibly none), with the smallest
    // step at which neighbouring labels do not meet.
    static AxisTicks Within(double low, double high, double length, const LabelRoom& room);

    // Ticks every mantissa × 10^exponent (mantissa 1, 2 or 5) over [low, high] rounded out to
    // the ticks; at least one interval.
    static AxisTicks WithStep(double low, double high, int mantissa, int exponent);
};

} // namespace tessary
