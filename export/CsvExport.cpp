#include "cli/CsvExport.h"

#include "data/Cp932.h"

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

CsvExport::CsvExport(const std::string& path, const MeasurementParameters& record)
    : file_(path), csv_(file_),
      stepSeconds_(record.SInterval * TimeUnitAt(record.SITUnit).Seconds) {
    csv_.Text("burst");
    csv_.Text("time_s");
    for (int row = 0; row < record.ChNum + record.BurstValueNum; ++row) {
        csv_.Text(Heading(record.Channel(row)));
    }
    csv_.EndRow();
}

void CsvExport::WriteBurst(std::int64_t k, const MeasurementParameters& record) {
    const std::string burst = std::to_string(k + 1);
    for (std::int32_t j = 0; j < record.DataNum; ++j) {
        csv_.Number(burst);
        csv_.Number(Seconds(j * stepSeconds_));
        for (int c = 0; c < record.ChNum; ++c) {
            const auto sample =
                record.Samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)];
            csv_.Number(value_.Format(sample, record.Channels[static_cast<std::size_t>(c)]));
        }
        for (int e = 0; e < record.BurstValueNum; ++e) {
            if (j == 0) {
                csv_.Number(
                    value_.Format(record.BurstValues[static_cast<std::size_t>(e)],
                                  record.Channels[static_cast<std::size_t>(record.ChNum + e)]));
            } else {
                csv_.Empty();
            }
        }
        csv_.EndRow();
    }
}

} // namespace tessary
