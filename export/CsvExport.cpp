// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/CsvExport.h"

#include "data/Cp932.h"
#include "export/RecordingSource.h"

#include <algorithm>
#include <cstdio>

namespace tessary {

namespace {

std::string Heading(const ChannelSpec& spec) {
    return Cp932ToUtf8(spec.Item) + " [" + Cp932ToUtf8(spec.Unit) + "]";
}

// Every sampling unit is a whole number of microseconds: six decimals, trailing zeros cut.
std::string Seconds(long double seconds) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%.6Lf", seconds);
    std::string value(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (value.find('.') != std::string::npos) {
        value.erase(value.find_last_not_of('0') + 1);
        if (value.back() == '.') {
            value.pop_back();
        }
    }
    return value;
}

} // namespace

CsvExport::CsvExport(const std::string& path, const RecordingSource& source)
    : header_(source.Header()), stored_(source.HoldsStoredSamples()),
      missing_(source.MissingMark()), file_(path), csv_(file_),
      stepSeconds_(header_.SInterval * TimeUnitAt(header_.SITUnit).Seconds),
      endScan_(header_.DataNum) {
    csv_.Text("burst");
    csv_.Text("time_s");
    for (int row = 0; row < header_.ChNum + header_.BurstValueNum; ++row) {
        csv_.Text(Heading(header_.Channel(row)));
    }
    csv_.EndRow();
}

std::string_view CsvExport::Value(const RecordedBurst& burst, std::size_t at, int row) {
    if (!stored_) {
        return value_.Format(burst.Values[at]);
    }
    const std::int16_t sample = burst.Stored[at];
    return value_.Format(sample == missing_ ? ErrorValue : sample, header_.Channel(row));
}

void CsvExport::LimitScans(std::int32_t first, std::int32_t end) {
    endScan_ = std::clamp(end, 0, header_.DataNum);
    firstScan_ = std::clamp(first, 0, endScan_);
}

void CsvExport::Write(std::int64_t k, const RecordedBurst& burst) {
    const std::string number = std::to_string(k + 1);
    const auto channels = static_cast<std::size_t>(header_.ChNum);
    const std::size_t burstValuesAt = static_cast<std::size_t>(header_.DataNum) * channels;
    for (std::int32_t j = firstScan_; j < endScan_; ++j) {
        csv_.Number(number);
        csv_.Number(Seconds(j * stepSeconds_));
        const std::size_t rowAt = static_cast<std::size_t>(j) * channels;
        for (int c = 0; c < header_.ChNum; ++c) {
            csv_.Number(Value(burst, rowAt + static_cast<std::size_t>(c), c));
        }
        for (int e = 0; e < header_.BurstValueNum; ++e) {
            if (j == firstScan_) {
                csv_.Number(
                    Value(burst, burstValuesAt + static_cast<std::size_t>(e), header_.ChNum + e));
            } else {
                csv_.Empty();
            }
        }
        csv_.EndRow();
    }
}

} // namespace tessary
