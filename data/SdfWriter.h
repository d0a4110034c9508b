#pragma once

#include "data/MeasurementParameters.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// Writes the layout-4 SDF header and the burst blocks of a record. Each write builds its
// bytes in one buffer and hands them to the file with one pwrite, so a failure leaves at
// most that one area unwritten. The block buffer is kept between bursts.
class SdfWriter {
public:
    // The header and channel table, HeaderBlocks × 256 bytes. A RangeError for a channel
    // count outside the table.
    static std::string EncodeHeader(const MeasurementParameters& record);

    // Writes the header at offset 0 of `path`, creating the file when it does not exist and
    // leaving any bytes after the header as they were. False on any failure.
    bool WriteHeader(const MeasurementParameters& record, const std::string& path);

    // Writes Samples and BurstValues as block k of TargetFileName, which must exist. False on
    // any failure, for DataNum or ChNum below 1, and for buffers shorter than the sizes.
    bool WriteBlock(MeasurementParameters& record, std::int32_t k);

private:
    std::vector<unsigned char> block_;
};

} // namespace tessary
