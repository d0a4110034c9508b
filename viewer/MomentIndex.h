// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/SampleColumn.h"

#include <cstdint>
#include <vector>

namespace tessary {

// Sums of one channel's values and of their squares over its samples, so that statistics of a
// range read the sums of the whole blocks it covers and scan only its ragged ends: a zoom or
// a pan over ten million samples costs a few thousand steps. Gaps are counted apart.
template <typename T> class MomentIndex {
public:
    static constexpr std::int64_t Block = 256;

    struct Moments {
        std::int64_t Values = 0; // samples with a value
        double Sum = 0.0;
        double SumOfSquares = 0.0;

        void Take(const Moments& other) {
            Values += other.Values;
            Sum += other.Sum;
            SumOfSquares += other.SumOfSquares;
        }
    };

    // The column's values must stay in place while the index is used.
    void Build(SampleColumn<T> column, std::int16_t missingMark);

    // The moments of samples first to end − 1 (clamped to the column).
    Moments Query(std::int64_t first, std::int64_t end) const;

    std::size_t HeldBytes() const { return blocks_.capacity() * sizeof(Moments); }

private:
    Moments Scan(std::int64_t first, std::int64_t end) const;

    SampleColumn<T> column_;
    std::int16_t missingMark_ = 0;
    std::vector<Moments> blocks_;
};

} // namespace tessary
