// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/StoppedRecording.h"

#include "data/Errors.h"
#include "data/PosixFile.h"
#include "data/TsdBlockIndex.h"
#include "data/TsdCountPatch.h"
#include "texts/Texts.h"

#include <algorithm>
#include <sys/stat.h>

namespace tessary {

void StoppedRecording::MarkMissingSamples(std::int32_t scansDone) {
    MeasurementParameters& record = holder_.Record();
    const std::size_t channels =
        std::min(record.Samples.size(), static_cast<std::size_t>(std::max<int>(record.ChNum, 0)));
    const auto first = static_cast<std::size_t>(std::max<std::int32_t>(scansDone, 0));
    const auto steps = static_cast<std::size_t>(std::max<std::int32_t>(record.DataNum, 0));
    for (std::size_t c = 0; c < channels; ++c) {
        auto& samples = record.Samples[c];
        const std::size_t end = std::min(steps, samples.size());
        for (std::size_t step = first; step < end; ++step) {
            samples[step] = ErrorValue;
        }
    }
}

bool StoppedRecording::CorrectHeader(const StoppedRun& run, std::int32_t blocks,
                                     std::string& reason) {
    if (run.FileType != FileTypeTsd) {
        if (holder_.WriteSdfHeader(run.FileName)) {
            return true;
        }
        reason = PosixFile::ReasonOf(holder_.LastWriteError());
        return false;
    }
    try {
        // Only the header's lines are read: the count line is found there, and the file ends
        // with its last whole block, as the writers leave no part of a block behind.
        const TsdBlockIndex index = IndexTsdBlocks(run.FileName, 2, holder_.Record(), 0);
        struct stat status {};
        if (::stat(run.FileName.c_str(), &status) != 0) {
            reason = PosixFile::ReasonOf(errno);
            return false;
        }
        TsdCountPatch::Apply(run.FileName, index, blocks, status.st_size);
        return true;
    } catch (const InOutError& e) {
        reason = e.what();
        return false;
    }
}

std::int32_t StoppedRecording::Finish(const StoppedRun& run) {
    const bool tsd = run.FileType == FileTypeTsd;
    const std::int32_t begun = run.BurstNumber;
    std::int32_t blocks = begun;
    std::string blockFailure;
    if (run.IrqModeActive) {
        MarkMissingSamples(run.ScansDone);
        if (!(tsd ? holder_.WriteTsdBlock(begun - 1) : holder_.WriteSdfBlock(begun - 1))) {
            blocks = begun - 1;
            blockFailure = texts::BlockWriteFailed(run.FileName, begun,
                                                   PosixFile::ReasonOf(holder_.LastWriteError()));
        }
    }
    MeasurementParameters& record = holder_.Record();
    // A header of no count (a run until Stop) states the blocks too, up to the most it holds.
    if (blocks > 0 && (record.Iteration <= 0 || record.Iteration > blocks)) {
        record.Iteration = static_cast<std::int16_t>(blocks);
        std::string reason;
        if (!CorrectHeader(run, blocks, reason)) {
            const std::string message = texts::HeaderNotCorrected(run.FileName, blocks, reason);
            throw InOutError(blockFailure.empty() ? message : blockFailure + "\n" + message);
        }
    }
    if (!blockFailure.empty()) {
        throw InOutError(blockFailure);
    }
    return blocks;
}

} // namespace tessary
