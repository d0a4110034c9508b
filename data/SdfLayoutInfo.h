// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace tessary {

// Where the blocks of an SDF file lie, for every layout version.
struct SdfLayoutInfo {
    int Version = 0;
    std::int64_t HeaderBytes = 0;   // HeaderBlocks × 256
    std::int64_t BlockValues = 0;   // 16-bit values of one block: DataNum × ChNum + BurstValueNum
    std::int64_t BlockStride = 0;   // bytes from one block's start to the next
    std::int64_t BlocksPresent = 0; // whole blocks in the file
    bool OldMissingMark() const { return Version < 4; } // 32767 marks a missing sample
};

} // namespace tessary
