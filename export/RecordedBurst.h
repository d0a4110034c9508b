// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace tessary {

// One burst of a recording in file order: DataNum rows of ChNum values, then the
// BurstValueNum per-burst values. An SDF burst holds the 16-bit values exactly as stored
// (missing ones marked as the source's MissingMark()); a TSD burst the engineering values as
// read (TsdMissing for "="). The spans stay valid until the source reads the next burst.
struct RecordedBurst {
    std::span<const std::int16_t> Stored; // SDF
    std::span<const double> Values;       // TSD
    // SDF: where the stored values lie in the recording's file, as they are in file order (the
    // file open for reading with pread), for a writer that copies them from there.
    int File = -1;
    std::int64_t Offset = 0;
};

} // namespace tessary
