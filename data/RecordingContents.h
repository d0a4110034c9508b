// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/Dialogs.h"
#include "data/MeasurementParameters.h"
#include "data/SdfLayoutInfo.h"
#include "data/TsdBlockIndex.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessary {

enum class RecordingFormat { Sdf, Tsd };

// What a data file holds, by the one definition of complete bursts that every reader of
// recordings uses: whole blocks by the file's length (SDF, with the block stride of its
// layout) or whole "No." blocks with all their lines (TSD, see TsdBlockIndex), limited to the
// header's burst count when that is above 0. A recording's header states the bursts it holds
// once the run has finished; one cut off by a crash or a power loss still states the planned
// count (or 0 for a run without a count) while holding fewer.
struct RecordingContents {
    RecordingFormat Format = RecordingFormat::Sdf;
    int Version = 0;
    std::int32_t StatedBursts = 0; // the header's Iteration
    std::int64_t CompleteBursts = 0;
    bool BeingRecorded = false; // a recording holds the file's lock right now
    SdfLayoutInfo Sdf;          // SDF files
    TsdBlockIndex Tsd;          // TSD files

    // The header states other bursts than the file holds complete.
    bool CutOff() const { return StatedBursts <= 0 || CompleteBursts < StatedBursts; }
    // A repair would change the file: it was cut off with complete bursts, and no run holds it.
    bool Repairable() const { return CutOff() && !BeingRecorded && CompleteBursts > 0; }
};

// No header can state more bursts than its 16-bit field holds.
inline constexpr std::int64_t MaxStatedBursts = 32767;

// The format by the file's first bytes (the magic text of either layout); nothing when neither
// is there or the file cannot be read.
std::optional<RecordingFormat> DetectRecordingFormat(const std::string& path);

// Reads the header of the recording at `path` into `header` (an SDF of layout 1 to 3 as it is,
// never converted; its sample buffers left empty, so that a header alone allocates nothing)
// and counts its complete bursts. Nothing when the file is not a recording of
// a layout this program reads; the reason has been shown through `dialogs` then. Errors of the
// readers (a header that does not convert, sizes out of range, an unreadable file) are raised.
// A TSD file is read once to the end of its complete blocks; `progress` sees that reading.
std::optional<RecordingContents> ExamineRecording(const std::string& path, Dialogs& dialogs,
                                                  MeasurementParameters& header,
                                                  const IndexProgress& progress = {});

} // namespace tessary
