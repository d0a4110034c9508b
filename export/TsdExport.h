// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/TsdWriter.h"
#include "export/BurstWriter.h"
#include "export/OutputFile.h"

#include <string>

namespace tessary {

class RecordingSource;

// A recording as a TSD file of the layout the program writes: the version-2 header stating
// the bursts exported, then per burst its "No." line and the engineering values A·X + B in 7
// significant digits, "=" for a missing sample. An SDF burst goes through the program's own
// block writer; a TSD burst's values are written again as read.
class TsdExport final : public BurstWriter {
public:
    // Creates the file at `path` and writes the header; a FileError when it cannot.
    TsdExport(const std::string& path, const RecordingSource& source);

    void Write(std::int64_t k, const RecordedBurst& burst) override;
    void Finish() override { file_.Close(); }

private:
    void WriteStored(std::int64_t k, const RecordedBurst& burst);
    void WriteValues(std::int64_t k, const RecordedBurst& burst);

    std::string path_;
    MeasurementParameters record_;
    bool stored_;
    std::int16_t missing_;
    OutputFile file_;
    TsdWriter writer_;
    std::string text_;
};

} // namespace tessary
