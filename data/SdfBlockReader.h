#pragma once

#include "data/MeasurementParameters.h"
#include "data/SdfLayoutInfo.h"

#include <string>
#include <vector>

namespace tessary {

// Reads burst blocks of an SDF file of any layout into the record's sample buffers, one at
// a time, so that a file of any length passes through a buffer of one block. Missing
// samples of old layouts (32767) come out as ErrorValue.
class SdfBlockReader {
public:
    // Opens the file; a FileError when it cannot be opened.
    SdfBlockReader(const std::string& path, const SdfLayoutInfo& layout);
    ~SdfBlockReader();
    SdfBlockReader(const SdfBlockReader&) = delete;
    SdfBlockReader& operator=(const SdfBlockReader&) = delete;

    // Block k into Samples and BurstValues, which must be sized for the record. A
    // FileError when the block cannot be read whole.
    void Read(std::int64_t k, MeasurementParameters& record);

private:
    std::string path_;
    SdfLayoutInfo layout_;
    int fd_ = -1;
    std::vector<unsigned char> bytes_;
};

} // namespace tessary
