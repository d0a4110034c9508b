// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/AxisScale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace tessary {

namespace {

// Below this share of its values a range cannot be told from a single value: the floats of a
// channel's A and B hold about seven digits, and longer labels would only show noise.
constexpr double TooSmallToTell = 1e-9;
// More intervals than this are never readable; the search for a step starts here.
constexpr int MaxIntervals = 200;
// Multiples of a step that a double still holds exactly.
constexpr double MaxMultiple = 1e15;

struct Step {
    int Mantissa = 1; // 1, 2 or 5
    int Exponent = 0;
};

Step Next(Step s) {
    if (s.Mantissa == 1) {
        return {2, s.Exponent};
    }
    if (s.Mantissa == 2) {
        return {5, s.Exponent};
    }
    return {1, s.Exponent + 1};
}

// K × 10^e, dividing for negative e so that 0.1, 0.2, ... come out as the nearest doubles.
double Scaled(double k, int e) {
    return e >= 0 ? k * std::pow(10.0, e) : k / std::pow(10.0, -e);
}

double Value(Step s) {
    return Scaled(s.Mantissa, s.Exponent);
}

// The smallest round step of at least x (x > 0 and finite).
Step RoundStepAtLeast(double x) {
    Step s{1, static_cast<int>(std::floor(std::log10(x))) - 1};
    while (Value(s) < x) {
        s = Next(s);
    }
    return s;
}

// The text of K × 10^e.
std::string Label(std::int64_t k, int e, bool scientific) {
    if (k == 0 && (scientific || e >= 0)) {
        return "0";
    }
    const std::string sign = k < 0 ? "-" : "";
    std::string digits = std::to_string(k < 0 ? -k : k);
    if (scientific) {
        const int exponent = static_cast<int>(digits.size()) - 1 + e;
        std::string fraction = digits.substr(1);
        fraction.erase(fraction.find_last_not_of('0') + 1);
        return sign + digits.substr(0, 1) + (fraction.empty() ? "" : "." + fraction) + "E" +
               std::to_string(exponent);
    }
    if (e >= 0) {
        return sign + digits + std::string(static_cast<std::size_t>(e), '0');
    }
    const auto decimals = static_cast<std::size_t>(-e);
    if (digits.size() <= decimals) {
        digits.insert(0, decimals + 1 - digits.size(), '0');
    }
    // One character, not a literal: GCC 12 at -O3 takes the literal's insertion for an
    // overlapping copy.
    digits.insert(digits.size() - decimals, 1, '.');
    return sign + digits;
}

} // namespace

AxisTicks AxisScale::WithStep(double low, double high, int mantissa, int exponent) {
    if (!std::isfinite(low) || !std::isfinite(high)) {
        low = 0.0;
        high = 1.0;
    }
    if (low > high) {
        std::swap(low, high);
    }
    Step step{mantissa == 2 || mantissa == 5 ? mantissa : 1, std::clamp(exponent, -300, 300)};
    double first = std::floor(low / Value(step));
    double last = std::ceil(high / Value(step));
    while (!(std::fabs(first) <= MaxMultiple && std::fabs(last) <= MaxMultiple &&
             last - first <= MaxIntervals)) {
        step = Next(step);
        first = std::floor(low / Value(step));
        last = std::ceil(high / Value(step));
    }
    if (last == first) {
        last += 1.0;
    }
    AxisTicks ticks;
    std::vector<std::int64_t> multiples;
    bool scientific = step.Exponent < -4;
    for (auto k = static_cast<std::int64_t>(first); k <= static_cast<std::int64_t>(last); ++k) {
        const std::int64_t multiple = k * step.Mantissa;
        multiples.push_back(multiple);
        ticks.Values.push_back(Scaled(static_cast<double>(multiple), step.Exponent));
        const auto digits = std::to_string(multiple < 0 ? -multiple : multiple).size();
        scientific =
            scientific || (multiple != 0 && static_cast<int>(digits) - 1 + step.Exponent >= 6);
    }
    for (const std::int64_t multiple : multiples) {
        ticks.Labels.push_back(Label(multiple, step.Exponent, scientific));
    }
    ticks.Min = ticks.Values.front();
    ticks.Max = ticks.Values.back();
    return ticks;
}

AxisTicks AxisScale::Fit(double low, double high, double length, const LabelRoom& room) {
    if (!std::isfinite(low) || !std::isfinite(high) || !std::isfinite(high - low)) {
        low = 0.0;
        high = 1.0;
    }
    if (low > high) {
        std::swap(low, high);
    }
    double span = high - low;
    if (!(span > std::max(std::fabs(low), std::fabs(high)) * TooSmallToTell)) {
        const double centre = low + span / 2.0;
        const double margin = centre == 0.0 ? 1.0 : std::fabs(centre) * 0.1;
        low = centre - margin;
        high = centre + margin;
        span = high - low;
    }
    // A tick needs a few pixels whatever its label: no search below that.
    const double most = std::isfinite(length)
                            ? std::clamp(std::floor(length / 4.0), 1.0, double{MaxIntervals})
                            : 1.0;
    Step step = RoundStepAtLeast(span / most);
    AxisTicks fewest;
    for (;;) {
        AxisTicks ticks = WithStep(low, high, step.Mantissa, step.Exponent);
        const double intervals = static_cast<double>(ticks.Values.size() - 1);
        if (length / intervals >= room(ticks.Labels)) {
            return ticks;
        }
        if (fewest.Values.empty() || ticks.Values.size() < fewest.Values.size()) {
            fewest = std::move(ticks);
        }
        if (Value(step) > 10.0 * span) {
            return fewest;
        }
        step = Next(step);
    }
}

AxisTicks AxisScale::Within(double low, double high, double length, const LabelRoom& room) {
    if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) ||
        !std::isfinite(high - low) || !(length > 0.0) || !std::isfinite(length)) {
        AxisTicks ends;
        ends.Min = std::isfinite(low) ? low : 0.0;
        ends.Max = std::isfinite(high) && high > ends.Min ? high : ends.Min + 1.0;
        return ends;
    }
    const double span = high - low;
    const double most = std::clamp(std::floor(length / 4.0), 1.0, double{MaxIntervals});
    for (Step step = RoundStepAtLeast(span / most);; step = Next(step)) {
        AxisTicks ticks = WithStep(low, high, step.Mantissa, step.Exponent);
        AxisTicks inside;
        for (std::size_t i = 0; i < ticks.Values.size(); ++i) {
            if (ticks.Values[i] >= low && ticks.Values[i] <= high) {
                inside.Values.push_back(ticks.Values[i]);
                inside.Labels.push_back(std::move(ticks.Labels[i]));
            }
        }
        inside.Min = low;
        inside.Max = high;
        const double stepPixels = length * (ticks.Values[1] - ticks.Values[0]) / span;
        if (inside.Values.size() <= 1 || stepPixels >= room(inside.Labels)) {
            return inside;
        }
    }
}

} // namespace tessary
