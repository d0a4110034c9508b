// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessary {

// Where the header and the complete blocks of a TSD file lie, found by reading the file once.
//
// The header's lines are counted as the header reader takes them (the magic line, the memo
// lines up to the start time, then the fixed lines of the version). A block counts only when
// it is complete: its "No.k" line with the next number (version 2; version 1 holds one block
// without it), DataNum lines of ChNum values and, when BurstValueNum > 0, the line of per-burst
// values, every line ended by a line end and holding exactly the values its place needs (a
// number, or "=" for a missing sample). Indexing ends at the first line that breaks this: a
// block cut off by a crash, or bytes that no writer wrote, never count. The file is read
// through a bounded buffer; it may shrink or grow meanwhile.
struct TsdBlockIndex {
    int Version = 0;
    std::int64_t CountLineOffset = -1; // the burst-count line of version 2, -1 without one
    std::int64_t CountLineBytes = 0;   // its length without the line end
    std::int64_t HeaderBytes = 0;      // where the first block begins
    std::vector<std::int64_t> Blocks;  // where each complete block begins
    std::int64_t CompleteEnd = 0;      // just after the last complete block (or the header)
    bool Finished = true;              // false when the progress callback stopped the reading

    std::int64_t CompleteBlocks() const { return static_cast<std::int64_t>(Blocks.size()); }
};

// Reports the bytes read so far and the file's length; returns false to stop reading.
using IndexProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Indexes at most `limit` blocks of the TSD file at `path`, whose header `header` holds as the
// header reader read it (Version 1 or 2, ChNum, BurstValueNum, DataNum). A file that cannot be
// opened or read is an InOutError naming it; a header shorter than its lines ends the index
// with no block.
TsdBlockIndex IndexTsdBlocks(const std::string& path, int version,
                             const MeasurementParameters& header, std::int64_t limit,
                             const IndexProgress& progress = {});

} // namespace tessary
