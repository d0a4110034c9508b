// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"
#include "data/TsdBlockIndex.h"

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// A missing sample ("=") as read from a TSD file: a quiet NaN whose payload tells it apart
// from the NAN that the writer writes for a value that is not a number.
inline constexpr std::uint64_t TsdMissingBits = 0x7FF8'0000'0000'003DULL;
inline constexpr double TsdMissing = std::bit_cast<double>(TsdMissingBits);
inline bool IsTsdMissing(double value) {
    return std::bit_cast<std::uint64_t>(value) == TsdMissingBits;
}

// Reads the complete blocks of a TSD file that IndexTsdBlocks found, one at a time, through a
// bounded buffer. Values are read as the C locale spells numbers, whatever the locale.
class TsdBlockReader {
public:
    // Opens the file; a FileError when it cannot be opened. `header` gives ChNum,
    // BurstValueNum and DataNum as the header reader read them.
    TsdBlockReader(const std::string& path, const TsdBlockIndex& index,
                   const MeasurementParameters& header);
    ~TsdBlockReader();
    TsdBlockReader(const TsdBlockReader&) = delete;
    TsdBlockReader& operator=(const TsdBlockReader&) = delete;

    // The values of block k (0-based, below index.CompleteBlocks()) in file order: DataNum
    // rows of ChNum values, then the BurstValueNum per-burst values; "=" as TsdMissing. A
    // FileError naming the burst when its lines no longer read as the index found them (the
    // file changed meanwhile) or a value is not a number.
    void Read(std::int64_t k, std::vector<double>& values);

private:
    bool NextLine(std::string_view& line);
    bool Fill();
    [[noreturn]] void Fail(std::int64_t k, const std::string& what) const;

    std::string path_;
    const TsdBlockIndex& index_;
    int version_;
    std::int32_t rows_;
    int channels_;
    int burstValues_;
    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::int64_t next_ = 0; // file offset of the next byte to read
    std::int64_t end_ = 0;  // end of the block being read
};

} // namespace tessary
