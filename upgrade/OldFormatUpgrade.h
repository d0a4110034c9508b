// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/OldFormatUpgrader.h"
#include "upgrade/ProgressSink.h"

#include <cstdint>
#include <string>

namespace tessary {

struct MeasurementParameters;
class BlockFileWriter;

// The sizes of the file being converted, as its header states them.
struct UpgradeSizes {
    std::int16_t ChNum = 0;
    std::int16_t BurstValueNum = 0;
    std::int32_t DataNum = 0;
    std::int16_t Iteration = 0;
    std::int32_t BlockBytes = 0;
    std::int32_t HeaderBlocks = 0;
};

// Rewrites an SDF file of layout 1 to 3 as layout 4 under its own name. The bursts are
// copied into a temporary file of this conversion's own beside it (BlockFileWriter), with a
// progress report before each; the user may cancel at any report. Only a complete copy, with
// the old file's permission bits and owner and forced to the disk, replaces the old file in
// one rename, so the recording is in one of the two files at every moment. A file that cannot
// be read or written ends the conversion with an InOutError naming it, the temporary file
// removed and the old file untouched. The copy works on its own note of the file's sizes,
// taken before the first report, so that what a window does with the record meanwhile cannot
// change it.
class OldFormatUpgrade : public OldFormatUpgrader {
public:
    explicit OldFormatUpgrade(ProgressSink& progress) : progress_(progress) {}

    // Expects the record to hold the old header as read. True when the file was replaced,
    // false when the user cancelled. TargetFileName is the same afterwards as before.
    bool UpgradeOldFormat(TFrmSDFdata& holder, int version, const std::string& path) override;

private:
    bool Convert(TFrmSDFdata& holder, const std::string& path, BlockFileWriter& out);
    // True when every burst was copied; false when the user cancelled first.
    bool CopyBursts(const UpgradeSizes& sizes, MeasurementParameters& record,
                    const std::string& path, BlockFileWriter& out);

    ProgressSink& progress_;
};

} // namespace tessary
