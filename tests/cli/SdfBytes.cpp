// SPDX-License-Identifier: GPL-3.0-or-later
#include "SdfBytes.h"

#include <cstring>

namespace clitest {

namespace {

template <typename T> void Put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T)); // the test machines are little-endian
    out.append(bytes, sizeof(T));
}

void PutText(std::string& out, const std::string& text, std::size_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    out += field;
}

} // namespace

std::string SdfHeader(const SdfSpec& spec) {
    std::string out = "Standard Burst-Interval Data Format Ver.";
    out += spec.Version;
    out.append(9, ' ');
    PutText(out, spec.Memo, 160);
    Put(out, spec.ChNum);
    Put(out, spec.BurstValueNum);
    Put(out, spec.DataNum);
    Put(out, spec.SInterval);
    if (spec.Version != '1') {
        Put(out, spec.SITUnit);
    }
    Put(out, spec.Iteration);
    Put(out, spec.BInterval);
    if (spec.Version != '1') {
        Put(out, spec.BITUnit);
    }
    Put(out, spec.StartTime);
    out.append(spec.Version == '1' ? 20 : 18, ' ');
    for (const SdfRow& row : spec.Rows) {
        PutText(out, row.Item, 16);
        PutText(out, row.Unit, 8);
        Put(out, row.A);
        Put(out, row.B);
    }
    out.resize((out.size() + 255) / 256 * 256, ' ');
    return out;
}

std::string SdfBlock(const SdfSpec& spec, const std::vector<std::int16_t>& values) {
    std::string out;
    for (const std::int16_t v : values) {
        Put(out, v);
    }
    if (spec.Version != '4') {
        out.resize((out.size() + 255) / 256 * 256, '\0');
    }
    return out;
}

} // namespace clitest
