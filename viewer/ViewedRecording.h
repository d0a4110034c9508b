// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/TsdBlockIndex.h"
#include "export/RecordingSource.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tessary {

// A recording opened for viewing, read-only: the source of its complete bursts, or why it
// cannot be shown. Nothing is ever asked of the operator and no file is written: an SDF of an
// old layout is read as it is.
struct ViewedRecording {
    std::unique_ptr<RecordingSource> Source;
    std::string Problem;  // the reason, naming the file, when Source is null
    bool Stopped = false; // `progress` stopped the reading before the end

    // Opens `path`. A file that is not a recording, is damaged or cannot be read gives
    // Problem, never an exception.
    static ViewedRecording Open(const std::string& path, const IndexProgress& progress = {});

    // The text that says the file holds fewer bursts than its header states, or is being
    // recorded; empty for a finished recording.
    std::string ContentsNotice() const;
};

// Writes scans first to end − 1 of burst k (0-based) of `source` as CSV to `path`, through a
// temporary file that takes the path's place only when complete. A FileError or InOutError
// naming the file when it cannot.
void ExportBurstRange(RecordingSource& source, std::int64_t k, std::int32_t first, std::int32_t end,
                      const std::string& path);

} // namespace tessary
