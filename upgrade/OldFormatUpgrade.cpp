// SPDX-License-Identifier: GPL-3.0-or-later
#include "upgrade/OldFormatUpgrade.h"

#include "data/Errors.h"
#include "data/FileNames.h"
#include "data/PosixFile.h"
#include "data/TFrmSDFdata.h"
#include "texts/Texts.h"
#include "upgrade/BlockFileWriter.h"
#include "upgrade/OldBurstReader.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <system_error>

namespace tessary {

namespace {

constexpr std::int64_t SectorBytes = 256;
constexpr std::int64_t ValuesPerSector = SectorBytes / 2;

// k of n done, in percent rounded to the nearest integer, halves to the even neighbour.
std::int32_t PercentDone(std::int64_t k, std::int64_t n) {
    std::int64_t q = k * 100 / n;
    const std::int64_t twice = 2 * (k * 100 % n);
    if (twice > n || (twice == n && q % 2 == 1)) {
        ++q;
    }
    return static_cast<std::int32_t>(q);
}

// The values of one burst in the current layout back into Samples and BurstValues, when
// the record still describes the file of `sizes`.
void StoreBurst(std::span<const unsigned char> block, const UpgradeSizes& sizes,
                MeasurementParameters& record) {
    if (record.ChNum != sizes.ChNum || record.DataNum != sizes.DataNum ||
        record.BurstValueNum != sizes.BurstValueNum) {
        return;
    }
    record.AllocateSampleBuffers();
    std::size_t i = 0;
    const auto next = [&block, &i] {
        const auto v = static_cast<std::int16_t>(block[i] | block[i + 1] << 8);
        i += 2;
        return v;
    };
    for (std::int32_t j = 0; j < sizes.DataNum; ++j) {
        for (int c = 0; c < sizes.ChNum; ++c) {
            record.Samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)] = next();
        }
    }
    for (int e = 0; e < sizes.BurstValueNum; ++e) {
        record.BurstValues[static_cast<std::size_t>(e)] = next();
    }
}

} // namespace

bool OldFormatUpgrade::UpgradeOldFormat(TFrmSDFdata& holder, int version, const std::string& path) {
    MeasurementParameters& record = holder.Record();
    if (version < 1 || version > 3) {
        throw RangeError("The SDF layout " + std::to_string(version) + " of " + path +
                         " is not an old layout that can be converted");
    }
    if (record.Iteration < 0) {
        throw RangeError("The file " + path + " declares a negative number of bursts (" +
                         std::to_string(record.Iteration) + ")");
    }
    if (version == 1) {
        const UnitValue sampling = ReduceMilliseconds(record.SInterval);
        record.SInterval = sampling.Value;
        record.SITUnit = sampling.Unit;
        const UnitValue burst = ReduceMilliseconds(record.BInterval);
        record.BInterval = burst.Value;
        record.BITUnit = burst.Unit;
    }

    const std::string remembered = record.TargetFileName;
    std::optional<BlockFileWriter> out;
    try {
        out.emplace(path);
        const bool replaced = Convert(holder, path, *out);
        record.TargetFileName = remembered;
        return replaced;
    } catch (...) {
        progress_.Hide();
        if (out) {
            out->Discard();
        }
        record.TargetFileName = remembered;
        throw;
    }
}

bool OldFormatUpgrade::Convert(TFrmSDFdata& holder, const std::string& path, BlockFileWriter& out) {
    MeasurementParameters& record = holder.Record();
    const std::string& temporary = out.Path();
    if (!holder.WriteSdfHeader(temporary)) {
        throw InOutError("The header cannot be written to the file " + temporary + ": " +
                         PosixFile::ReasonOf(holder.LastWriteError()));
    }
    holder.AllocateBuffersAfterRead(path, std::int64_t{record.HeaderBlocks} * SectorBytes);
    record.TargetFileName = temporary;
    record.ComputeDerivedSizes();
    // Taken before the first progress report: from there on the window handles events, and
    // nothing it does to the record may change what is copied.
    const UpgradeSizes sizes{record.ChNum,     record.BurstValueNum, record.DataNum,
                             record.Iteration, record.BlockBytes,    record.HeaderBlocks};
    progress_.StartProgress(texts::UpgradeProgressTitle);

    const bool complete = CopyBursts(sizes, record, path, out);
    progress_.Hide();
    if (!complete) {
        out.Discard();
        return false;
    }
    out.Commit(path);
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::generic_category().message(errno);
        throw InOutError("The file " + path + " cannot be replaced by its converted copy " +
                         temporary + ": " + reason + "; the file is left as it was");
    }
    // The rename has taken effect; a folder that cannot be forced to the disk changes nothing
    // for the caller.
    int error = 0;
    PosixFile::SyncFolder(path, error);
    return true;
}

bool OldFormatUpgrade::CopyBursts(const UpgradeSizes& sizes, MeasurementParameters& record,
                                  const std::string& path, BlockFileWriter& out) {
    const std::int64_t values = sizes.BlockBytes / 2;
    const std::int64_t sectors = values / ValuesPerSector + (values % ValuesPerSector > 0 ? 1 : 0);
    const std::int64_t headerBytes = std::int64_t{sizes.HeaderBlocks} * SectorBytes;
    OldBurstReader in(path, headerBytes, sectors * SectorBytes, sizes.BlockBytes, sizes.Iteration);
    const std::string& temporary = out.Path();

    int copied = 0;
    for (int k = 0; k < sizes.Iteration; ++k) {
        progress_.SetProgressPercent(PercentDone(k, sizes.Iteration));
        if (progress_.CancelRequested()) {
            break;
        }
        // The block writer takes only bursts with samples, at positions of 32 bits.
        if (sizes.DataNum < 1 || sizes.ChNum < 1) {
            throw InOutError("The file " + path + " declares bursts of " +
                             std::to_string(sizes.DataNum) + " data in " +
                             std::to_string(sizes.ChNum) +
                             " channels, which cannot be written to " + temporary);
        }
        const std::int64_t offset = headerBytes + std::int64_t{k} * sizes.BlockBytes;
        if (offset > std::numeric_limits<std::int32_t>::max()) {
            throw InOutError("Burst " + std::to_string(k + 1) + " of " + path +
                             " would start at byte " + std::to_string(offset) + " of " + temporary +
                             ", beyond what an SDF file can address");
        }
        out.Write(offset, in.Burst(k));
        ++copied;
    }
    if (copied > 0) {
        StoreBurst(in.Burst(copied - 1), sizes, record);
    }
    return copied == sizes.Iteration;
}

} // namespace tessary
