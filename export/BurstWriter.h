// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/RecordedBurst.h"

#include <cstdint>

namespace tessary {

// Writes the bursts of one recording, in order from the first, to one output file.
class BurstWriter {
public:
    virtual ~BurstWriter() = default;

    // Burst k (0-based) as the source read it. Failures are raised as FileError with the
    // system's reason.
    virtual void Write(std::int64_t k, const RecordedBurst& burst) = 0;

    // True when Write copies an SDF burst's stored values from the recording's file itself
    // (RecordedBurst::File and Offset), so that the source need not read them.
    virtual bool CopiesStoredValues() const { return false; }

    // Completes and closes the file; until then it is incomplete. Failures as for Write.
    virtual void Finish() = 0;
};

} // namespace tessary
