// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/RunState.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace tessary {

// When `record` presses the Stop button of its own accord: a time after the run began,
// right after a burst completed, or inside a burst once enough scans were converted.
struct RecordStopRule {
    std::optional<std::chrono::duration<double>> AfterSeconds;
    std::optional<std::int32_t> AfterBursts;
    std::optional<std::int32_t> InBurst; // 1-based
    std::int32_t InBurstScans = 0;

    bool Due(const RunState& state, std::chrono::duration<double> sinceBegin) const;
    // True while the burst to stop in may be running: each pass should then convert only one
    // fetch, so that the stop comes right after the scans asked for.
    bool WatchesScans(const RunState& state) const;
    // The time left until AfterSeconds; nothing when that rule is not set.
    std::optional<std::chrono::duration<double>>
    TimeLeft(std::chrono::duration<double> sinceBegin) const;
};

} // namespace tessary
