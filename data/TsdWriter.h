// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

inline constexpr std::string_view TsdMagic = "Time Series Data Text Format Ver.";

// Writes the version-2 TSD header and the burst blocks of a record as CP932 text with CR LF
// line ends. Values are A·X + B with 7 significant digits, "=" for ErrorValue. A block is
// formatted and appended in pieces of a bounded buffer, so its size never decides the memory
// it takes; one that cannot be written whole is cut off again, so no part of it remains. When
// durable, every write is forced to the disk before it counts as done. A failure keeps the
// system's error (LastError).
class TsdWriter {
public:
    // The twelve header lines. A RangeError for a channel count outside the table or a unit
    // without a row.
    static std::string EncodeHeader(const MeasurementParameters& record);

    // Creates `path` or empties it and writes the header. False on any failure.
    bool WriteHeader(const MeasurementParameters& record, const std::string& path);

    // Appends block k to TargetFileName, which must exist; a failed write cuts the file back
    // to its former length. False on any failure and for buffers shorter than the sizes.
    bool WriteBlock(const MeasurementParameters& record, std::int32_t k);

    // Block k as text, the bytes that WriteBlock appends, handed to `put` a piece at a time
    // (about 1 MiB each); `put` returns false to stop. False when it did, or when the sizes and
    // buffers do not agree (LastError EINVAL) or the piece buffer cannot be had (ENOMEM).
    using PieceSink = std::function<bool(std::string_view piece)>;
    bool FormatBlock(const MeasurementParameters& record, std::int32_t k, const PieceSink& put);

    void SetDurable(bool durable) { durable_ = durable; }
    int LastError() const { return error_; }

private:
    std::vector<char> text_;
    bool durable_ = false;
    int error_ = 0;
};

} // namespace tessary
