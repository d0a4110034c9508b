#pragma once

#include "cli/CsvWriter.h"
#include "cli/OutputFile.h"
#include "cli/SampleText.h"
#include "data/MeasurementParameters.h"

#include <string>

namespace tessary {

// A recording as CSV, UTF-8: the row "burst,time_s,Item [Unit],..." with one column per
// channel and per-burst value, then one row per time step: the 1-based burst, the time in
// seconds from the burst's start, the engineering values (empty for a missing sample).
// Per-burst values stand in the first row of their burst.
class CsvExport {
public:
    // Creates the file and writes the heading row; a FileError when it cannot.
    CsvExport(const std::string& path, const MeasurementParameters& record);

    // The burst in the record's Samples and BurstValues as burst `k` (0-based).
    void WriteBurst(std::int64_t k, const MeasurementParameters& record);
    void Close() { file_.Close(); }

private:
    OutputFile file_;
    CsvWriter csv_;
    SampleText value_;
    long double stepSeconds_;
};

} // namespace tessary
