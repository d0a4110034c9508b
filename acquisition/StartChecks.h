// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/ControlValues.h"
#include "data/Dialogs.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessary {

// The recording that the controls plan, as far as their texts convert (a text that does not
// convert is left to GatherSettings, which reports it).
struct PlannedRecording {
    bool Sdf = true;
    std::int64_t Bursts = 0;       // Iteration; 0 or less records until Stop
    std::int64_t HeaderBytes = 0;  // SDF: HeaderBlocks × 256; TSD: an estimate
    std::int64_t BlockBytes = 0;   // SDF: exact; TSD: at the most
    std::int64_t MaxSdfBursts = 0; // SDF: the blocks whose start fits the offset limit

    // Nothing when the channel count, the number of data or the burst count does not convert
    // or is out of range.
    static std::optional<PlannedRecording> Of(const ControlValues& controls);

    // The bytes of the whole recording; nothing for a run until Stop.
    std::optional<std::int64_t> TotalBytes() const;
};

// The checks of Start that protect the data file and keep a run from planning what its file
// cannot hold. Each shows its own message and returns false when Start is not to go on.
class StartChecks {
public:
    StartChecks(const ControlValues& controls, Dialogs& dialogs)
        : controls_(controls), dialogs_(dialogs), planned_(PlannedRecording::Of(controls)) {}

    // Before the overwrite question, with nothing touched: an SDF recording whose last block
    // would start past the 2 GB offset limit is refused, naming the largest burst count that
    // fits; a file that another run records into is refused, naming the file.
    bool BeforeOverwrite();

    // When the free space of the data file's file system (with the bytes of the file that the
    // run replaces) cannot hold the planned recording: asks whether to go on, naming both.
    bool FreeSpaceAllows();

private:
    const ControlValues& controls_;
    Dialogs& dialogs_;
    std::optional<PlannedRecording> planned_;
};

} // namespace tessary
