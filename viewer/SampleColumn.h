// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace tessary {

// One channel of a burst held in file order (scans of all channels one after another): every
// Stride-th value from First on.
template <typename T> struct SampleColumn {
    const T* First = nullptr;
    std::ptrdiff_t Stride = 1;
    std::int64_t Count = 0;

    T operator[](std::int64_t i) const { return First[i * Stride]; }
};

// A sample that is drawn as a gap and left out of the statistics: the file's missing mark for
// stored samples; for values read from text, anything not finite ("=" is a NaN of its own).
inline bool IsGap(std::int16_t value, std::int16_t missingMark) {
    return value == missingMark;
}
inline bool IsGap(double value, std::int16_t) {
    return !std::isfinite(value);
}

} // namespace tessary
