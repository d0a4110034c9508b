// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// Writes the layout-4 SDF header and the burst blocks of a record. A header is written with
// one pwrite; a block in pieces of a bounded buffer, kept between bursts. A block that cannot
// be written whole is cut off again where it lengthened the file, so no part of it remains.
// When durable, every write is forced to the disk before it counts as done. A failure keeps
// the system's error (LastError; EFBIG for a block past the offset limit).
class SdfWriter {
public:
    // Block starts must fit a signed 32-bit offset.
    static constexpr std::int64_t MaxBlockOffset = 0x7FFFFFFF;

    // Where block k of the record's layout starts.
    static std::int64_t BlockOffset(const MeasurementParameters& record, std::int64_t k);
    // How many blocks of the record's layout can be written: those whose start fits the
    // offset limit. The derived sizes must be current.
    static std::int64_t MaxBlocks(const MeasurementParameters& record);

    // The header and channel table, HeaderBlocks × 256 bytes. A RangeError for a channel
    // count outside the table.
    static std::string EncodeHeader(const MeasurementParameters& record);

    // Writes the header at offset 0 of `path`, creating the file when it does not exist and
    // leaving any bytes after the header as they were. False on any failure.
    bool WriteHeader(const MeasurementParameters& record, const std::string& path);

    // Writes Samples and BurstValues as block k of TargetFileName, which must exist. False on
    // any failure, for DataNum or ChNum below 1, and for buffers shorter than the sizes.
    bool WriteBlock(MeasurementParameters& record, std::int32_t k);

    void SetDurable(bool durable) { durable_ = durable; }
    int LastError() const { return error_; }

private:
    bool WriteBlockTo(MeasurementParameters& record, std::int32_t k);

    std::vector<unsigned char> block_;
    bool durable_ = false;
    int error_ = 0;
};

} // namespace tessary
