// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RecordStopRule.h"

namespace tessary {

bool RecordStopRule::Due(const RunState& state, std::chrono::duration<double> sinceBegin) const {
    if (AfterSeconds && sinceBegin >= *AfterSeconds) {
        return true;
    }
    if (AfterBursts && (state.BurstNumber > *AfterBursts ||
                        (state.BurstNumber == *AfterBursts && !state.IrqModeActive))) {
        return true;
    }
    return InBurst && state.IrqModeActive && state.BurstNumber == *InBurst &&
           state.ScansDone >= InBurstScans;
}

bool RecordStopRule::WatchesScans(const RunState& state) const {
    return InBurst && state.BurstNumber >= *InBurst - 1 && state.BurstNumber <= *InBurst;
}

std::optional<std::chrono::duration<double>>
RecordStopRule::TimeLeft(std::chrono::duration<double> sinceBegin) const {
    if (!AfterSeconds) {
        return std::nullopt;
    }
    return *AfterSeconds - sinceBegin;
}

} // namespace tessary
