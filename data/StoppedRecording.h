// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/TFrmSDFdata.h"

namespace tessary {

// Leaves a recording stopped early consistent: the interrupted burst is written with its
// missing samples marked, and the header states exactly the blocks the file holds (also one
// that stated no count, 0 or less, for a run until Stop; the run keeps to the 32 767 bursts
// that the 16-bit field can state).
//
// A block that cannot be written does not count: the writers leave no part of it, and the
// header states the blocks before it. A file that holds no block keeps the header of its
// Start, with the planned count (a count of 0 would mean "record until Stop"). The SDF header
// is rewritten in place; the TSD file gets its burst-count line corrected (TsdCountPatch), in
// place when the count keeps its length, else through a copy.
class StoppedRecording {
public:
    explicit StoppedRecording(TFrmSDFdata& holder) : holder_(holder) {}

    // The number of blocks the file holds. A block or header that cannot be written is an
    // InOutError with the operator's message (the file, the burst, the system's reason), raised
    // once the header states what the file holds, or says that it could not be corrected.
    std::int32_t Finish(const StoppedRun& run);

private:
    void MarkMissingSamples(std::int32_t scansDone);
    // Makes the header state `blocks`; false with the reason when that fails.
    bool CorrectHeader(const StoppedRun& run, std::int32_t blocks, std::string& reason);

    TFrmSDFdata& holder_;
};

} // namespace tessary
