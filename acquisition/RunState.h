// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace tessary {

// The state of a run; RunControl owns it, ConfigureCard keeps the two card flags.
struct RunState {
    bool StopRequested = false;
    bool IrqModeActive = false;       // the card's interrupt ring mode is running
    bool RingBufferAllocated = false; // the card holds a ring buffer
    std::int32_t BurstNumber = 0;     // 1-based number of the burst begun last; 0 before
    std::int64_t NextBurstTime = 0;   // when the next burst is due: Clock::Monotonic ns
    std::int32_t ScansDone = 0;       // scans of the current burst converted
    std::int32_t WordsRead = 0;       // words of the current burst fetched
};

} // namespace tessary
