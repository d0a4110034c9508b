// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportFormat.h"
#include "export/RecordingSource.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tessary {

struct ExportOptions {
    ExportFormat Format = ExportFormat::Csv;
    bool Compress = false; // HDF5 only
};

// Bursts written so far and the total; returns false to cancel.
using ExportProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Writes every complete burst of `source`, one at a time, to `output` in the chosen format.
// The output is written under a temporary name beside it and takes its place only when
// complete, so that an export that fails, is cancelled or is killed leaves an earlier file at
// `output` exactly as it was. False when `progress` cancelled. Failures are raised (a
// FileError naming `output` or the recording, with the system's reason).
bool ExportRecording(RecordingSource& source, const std::string& output,
                     const ExportOptions& options, const ExportProgress& progress = {});

} // namespace tessary
