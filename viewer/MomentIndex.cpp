// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/MomentIndex.h"

#include <algorithm>

namespace tessary {

template <typename T> void MomentIndex<T>::Build(SampleColumn<T> column, std::int16_t missingMark) {
    column_ = column;
    missingMark_ = missingMark;
    const std::int64_t n = std::max<std::int64_t>(column.Count, 0);
    blocks_.assign(static_cast<std::size_t>((n + Block - 1) / Block), Moments{});
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        const auto first = static_cast<std::int64_t>(b) * Block;
        blocks_[b] = Scan(first, std::min(first + Block, n));
    }
}

template <typename T>
typename MomentIndex<T>::Moments MomentIndex<T>::Scan(std::int64_t first, std::int64_t end) const {
    Moments moments;
    for (std::int64_t i = first; i < end; ++i) {
        const T value = column_[i];
        if (!IsGap(value, missingMark_)) {
            const auto v = static_cast<double>(value);
            ++moments.Values;
            moments.Sum += v;
            moments.SumOfSquares += v * v;
        }
    }
    return moments;
}

template <typename T>
typename MomentIndex<T>::Moments MomentIndex<T>::Query(std::int64_t first, std::int64_t end) const {
    const std::int64_t lo = std::max<std::int64_t>(first, 0);
    const std::int64_t hi = std::min(end, column_.Count);
    if (hi - lo < 2 * Block) {
        return Scan(lo, hi);
    }
    const std::int64_t loWhole = (lo + Block - 1) / Block;
    const std::int64_t hiWhole = hi / Block;
    Moments moments = Scan(lo, loWhole * Block);
    for (std::int64_t b = loWhole; b < hiWhole; ++b) {
        moments.Take(blocks_[static_cast<std::size_t>(b)]);
    }
    moments.Take(Scan(hiWhole * Block, hi));
    return moments;
}

template class MomentIndex<std::int16_t>;
template class MomentIndex<double>;

} // namespace tessary
