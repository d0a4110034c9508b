// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/BurstWriter.h"
#include "export/CsvWriter.h"
#include "export/OutputFile.h"
#include "export/SampleText.h"

#include <string>

namespace tessary {

class RecordingSource;

// A recording as CSV, UTF-8: the row "burst,time_s,Item [Unit],..." with one column per
// channel and per-burst value, then one row per time step: the 1-based burst, the time in
// seconds from the burst's start, the engineering values (empty for a missing sample).
// Per-burst values stand in the first row of their burst.
class CsvExport final : public BurstWriter {
public:
    // Creates the file at `path` and writes the heading row; a FileError when it cannot.
    CsvExport(const std::string& path, const RecordingSource& source);

    // Only scans first to end − 1 of each burst (clamped to DataNum), for a part of a burst;
    // the per-burst values then stand in the first row written.
    void LimitScans(std::int32_t first, std::int32_t end);
    void Write(std::int64_t k, const RecordedBurst& burst) override;
    void Finish() override { file_.Close(); }

private:
    std::string_view Value(const RecordedBurst& burst, std::size_t at, int row);

    MeasurementParameters header_;
    bool stored_;
    std::int16_t missing_;
    OutputFile file_;
    CsvWriter csv_;
    SampleText value_;
    long double stepSeconds_;
    std::int32_t firstScan_ = 0;
    std::int32_t endScan_;
};

} // namespace tessary
