#pragma once

#include "data/MeasurementParameters.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

inline constexpr std::string_view TsdMagic = "Time Series Data Text Format Ver.";

// Writes the version-2 TSD header and the burst blocks of a record as CP932 text with CR LF
// line ends. Values are A·X + B with 7 significant digits, "=" for ErrorValue.
class TsdWriter {
public:
    // The twelve header lines. A RangeError for a channel count outside the table or a unit
    // without a row.
    static std::string EncodeHeader(const MeasurementParameters& record);

    // Creates `path` or empties it and writes the header. False on any failure.
    bool WriteHeader(const MeasurementParameters& record, const std::string& path);

    // Appends block k to TargetFileName, which must exist. The block is formatted in one
    // buffer and written at once; a failed write cuts the file back to its former length.
    // False on any failure and for buffers shorter than the sizes.
    bool WriteBlock(const MeasurementParameters& record, std::int32_t k);

    // Block k as text, the bytes that WriteBlock appends. False when the sizes and buffers
    // do not agree.
    bool FormatBlock(const MeasurementParameters& record, std::int32_t k);
    std::string_view Formatted() const { return {text_.data(), used_}; }

private:
    std::vector<char> text_;
    std::size_t used_ = 0;
};

} // namespace tessary
