// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/SampleColumn.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace tessary {

// A multi-level min/max index of one channel, built once when a burst is read, so that the
// smallest and largest value of any range of samples comes out in O(Fan × levels) steps
// whatever the range's length: level 0 holds the extent of every Fan samples, each further
// level the extent of Fan entries of the level below. A range is answered from the coarsest
// whole entries it covers and, at its ragged ends, from finer ones down to single samples, so
// the answer is exact: a single-sample spike is never lost at any zoom.
//
// Memory: 2 × sizeof(T) / (Fan − 1) bytes a sample (a quarter of a byte for 16-bit samples).
template <typename T> class MinMaxIndex {
public:
    static constexpr std::int64_t Fan = 16;

    struct Extent {
        T Min = std::numeric_limits<T>::max();
        T Max = std::numeric_limits<T>::lowest();

        bool Empty() const { return Max < Min; }
        void Take(T value) {
            if (value < Min) {
                Min = value;
            }
            if (value > Max) {
                Max = value;
            }
        }
        void Take(const Extent& other) {
            if (!other.Empty()) {
                Take(other.Min);
                Take(other.Max);
            }
        }
    };

    // Indexes `column`; samples that IsGap(value, missingMark) calls gaps carry no value.
    // The column's values must stay in place while the index is used.
    void Build(SampleColumn<T> column, std::int16_t missingMark);

    // The extent of samples first to end − 1 (clamped to the column); Empty when none of them
    // has a value.
    Extent Query(std::int64_t first, std::int64_t end) const;

    std::size_t HeldBytes() const;

private:
    void TakeSamples(Extent& extent, std::int64_t first, std::int64_t end) const;

    SampleColumn<T> column_;
    std::int16_t missingMark_ = 0;
    std::vector<std::vector<Extent>> levels_;
};

} // namespace tessary
