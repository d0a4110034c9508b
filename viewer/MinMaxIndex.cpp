// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/MinMaxIndex.h"

#include <algorithm>

namespace tessary {

template <typename T> void MinMaxIndex<T>::Build(SampleColumn<T> column, std::int16_t missingMark) {
    column_ = column;
    missingMark_ = missingMark;
    levels_.clear();
    const std::int64_t n = std::max<std::int64_t>(column.Count, 0);
    std::vector<Extent> level(static_cast<std::size_t>((n + Fan - 1) / Fan));
    for (std::size_t b = 0; b < level.size(); ++b) {
        const auto first = static_cast<std::int64_t>(b) * Fan;
        TakeSamples(level[b], first, std::min(first + Fan, n));
    }
    while (level.size() > 1) {
        std::vector<Extent> coarser((level.size() + Fan - 1) / Fan);
        for (std::size_t e = 0; e < level.size(); ++e) {
            coarser[e / Fan].Take(level[e]);
        }
        levels_.push_back(std::move(level));
        level = std::move(coarser);
    }
    levels_.push_back(std::move(level));
}

template <typename T>
void MinMaxIndex<T>::TakeSamples(Extent& extent, std::int64_t first, std::int64_t end) const {
    for (std::int64_t i = first; i < end; ++i) {
        const T value = column_[i];
        if (!IsGap(value, missingMark_)) {
            extent.Take(value);
        }
    }
}

template <typename T>
typename MinMaxIndex<T>::Extent MinMaxIndex<T>::Query(std::int64_t first, std::int64_t end) const {
    Extent extent;
    std::int64_t lo = std::max<std::int64_t>(first, 0);
    std::int64_t hi = std::min(end, column_.Count);
    if (hi - lo < 2 * Fan) {
        TakeSamples(extent, lo, hi);
        return extent;
    }
    // The ragged ends in single samples, then whole entries level by level.
    const std::int64_t loWhole = (lo + Fan - 1) / Fan * Fan;
    const std::int64_t hiWhole = hi / Fan * Fan;
    TakeSamples(extent, lo, loWhole);
    TakeSamples(extent, hiWhole, hi);
    lo = loWhole / Fan;
    hi = hiWhole / Fan;
    for (std::size_t level = 0; lo < hi; ++level) {
        const std::vector<Extent>& entries = levels_[level];
        if (level + 1 == levels_.size() || hi - lo < 2 * Fan) {
            for (std::int64_t e = lo; e < hi; ++e) {
                extent.Take(entries[static_cast<std::size_t>(e)]);
            }
            break;
        }
        for (; lo % Fan != 0; ++lo) {
            extent.Take(entries[static_cast<std::size_t>(lo)]);
        }
        for (; hi % Fan != 0; --hi) {
            extent.Take(entries[static_cast<std::size_t>(hi - 1)]);
        }
        lo /= Fan;
        hi /= Fan;
    }
    return extent;
}

template <typename T> std::size_t MinMaxIndex<T>::HeldBytes() const {
    std::size_t bytes = 0;
    for (const std::vector<Extent>& level : levels_) {
        bytes += level.capacity() * sizeof(Extent);
    }
    return bytes;
}

template class MinMaxIndex<std::int16_t>;
template class MinMaxIndex<double>;

} // namespace tessary
