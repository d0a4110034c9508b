// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/Dialogs.h"
#include "data/RecordingContents.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessary {

// Finishes a recording whose run was cut off (the program was killed or crashed, or the power
// failed during the run) as a stop would have: the header states the complete bursts of the
// file (ExamineRecording), and a partly written last block does not count. Only the burst
// count changes: an SDF header's count field is written in place (a partial block after the
// complete ones stays, unread); a TSD file has its count line patched as text and its partial
// block's lines dropped (TsdCountPatch). Every other byte stays as it was, and the change is
// forced to the disk. The file's lock is held meanwhile, so no run can start on it.
class RecordingRepair {
public:
    enum class Outcome {
        AlreadyFinished, // the header states the bursts the file holds; nothing changed
        Repaired,
        NoCompleteBurst, // nothing to state: a count of 0 would read as "record until Stop"
        BeingRecorded,   // a run holds the file's lock; nothing changed
    };

    struct Report {
        Outcome Result = Outcome::AlreadyFinished;
        RecordingContents Found; // what the file held before (Found.StatedBursts: the old count)
        std::int64_t DroppedBytes = 0; // TSD: the partial block's bytes that were dropped
        bool Copied = false;           // TSD: the count line changed its length
    };

    // A file that is not a recording of a layout this program reads gives nothing, after its
    // reader's message went through `dialogs`. A file that cannot be read or written is an
    // InOutError naming it with the system's reason; a failed TSD copy is removed, the file
    // then left as it was. Unless `change`, the file is only looked at: the report says what a
    // repair would find and do (Repaired: the count it would state), and nothing is written.
    static std::optional<Report> Repair(const std::string& path, Dialogs& dialogs,
                                        bool change = true, const IndexProgress& progress = {});
};

} // namespace tessary
