// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"
#include "data/RecordingContents.h"

#include <optional>
#include <string>

namespace tessary {

// The header of a data file as the tool prints it: every field and the channel table,
// texts converted from CP932 to UTF-8, and what the file holds: its complete bursts, whether
// it was cut off (the header states other bursts than the file holds complete), whether a run
// records it right now.
class HeaderReport {
public:
    HeaderReport(const MeasurementParameters& record, const RecordingContents& contents);

    std::string Text(const std::string& path) const;
    std::string Json() const;

private:
    const MeasurementParameters& record_;
    const RecordingContents& contents_;
    std::string format_;
    const SdfLayoutInfo* layout_;
};

} // namespace tessary
