// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"
#include "data/SdfLayoutInfo.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// Reads burst blocks of an SDF file of any layout, one at a time, so that a file of any
// length passes through a buffer of one block.
class SdfBlockReader {
public:
    // Opens the file; a FileError when it cannot be opened.
    SdfBlockReader(const std::string& path, const SdfLayoutInfo& layout);
    ~SdfBlockReader();
    SdfBlockReader(const SdfBlockReader&) = delete;
    SdfBlockReader& operator=(const SdfBlockReader&) = delete;

    // Block k's values exactly as stored, in file order: DataNum steps of ChNum samples, then
    // the per-burst values; an old layout's missing mark (32767) stays as it is. Valid until
    // the next read. A FileError when the block cannot be read whole; a block that the file
    // cannot hold is refused before any buffer is sized for it.
    std::span<const std::int16_t> ReadStored(std::int64_t k);
    // The same into the caller's buffer, which is resized to the block.
    void ReadStored(std::int64_t k, std::vector<std::int16_t>& into) const;

    // Where block k starts in the file, and the file open for reading (pread: its position
    // is never used), for copying blocks without reading them here.
    std::int64_t BlockOffset(std::int64_t k) const {
        return layout_.HeaderBytes + k * layout_.BlockStride;
    }
    int Descriptor() const { return fd_; }

    // Block k into Samples and BurstValues, which are sized here when a header read left
    // them; missing samples of old layouts come out as ErrorValue.
    void Read(std::int64_t k, MeasurementParameters& record);

private:
    std::string path_;
    SdfLayoutInfo layout_;
    int fd_ = -1;
    std::int64_t fileBytes_ = 0;
    std::vector<std::int16_t> values_;
};

} // namespace tessary
