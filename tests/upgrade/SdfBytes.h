// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builds SDF files byte by byte from the layouts, independently of the code under test:
// old layouts 1 to 3 with sector-padded bursts, and the layout-4 file expected after
// conversion.

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace sdfbytes {

struct Row {
    std::string Item;
    std::string Unit;
    float A = 1.0f;
    float B = 0.0f;
};

struct Recording {
    std::string Memo = "old recording";
    std::int16_t ChNum = 1;
    std::int16_t BurstValueNum = 0;
    std::int32_t DataNum = 1;
    std::int32_t SInterval = 10; // milliseconds in layout 1
    std::uint8_t SITUnit = 1;
    std::int16_t Iteration = 1;
    std::int32_t BInterval = 1; // milliseconds in layout 1
    std::uint8_t BITUnit = 4;
    double StartTime = 46000.25;
    std::vector<Row> Rows;                         // ChNum + BurstValueNum rows
    std::vector<std::vector<std::int16_t>> Bursts; // values of each burst in file order
};

inline void Put16(std::string& out, std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
}

inline void Put32(std::string& out, std::uint32_t u) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((u >> (8 * i)) & 0xFF);
    }
}

inline void Put64(std::string& out, double d) {
    const auto u = std::bit_cast<std::uint64_t>(d);
    for (int i = 0; i < 8; ++i) {
        out += static_cast<char>((u >> (8 * i)) & 0xFF);
    }
}

inline void PutText(std::string& out, const std::string& text, std::size_t width) {
    out += text;
    out.append(width - text.size(), ' ');
}

inline void PadWith(std::string& out, std::size_t multiple, char fill) {
    while (out.size() % multiple != 0) {
        out += fill;
    }
}

// Fixed header and channel table. Layout 1 stores the intervals without unit bytes and
// has 20 reserved bytes; the others have the unit bytes and 18.
inline std::string Header(const Recording& r, int version) {
    std::string out;
    PutText(out, "Standard Burst-Interval Data Format Ver." + std::to_string(version), 50);
    PutText(out, r.Memo, 160);
    Put16(out, r.ChNum);
    Put16(out, r.BurstValueNum);
    Put32(out, static_cast<std::uint32_t>(r.DataNum));
    Put32(out, static_cast<std::uint32_t>(r.SInterval));
    if (version > 1) {
        out += static_cast<char>(r.SITUnit);
    }
    Put16(out, r.Iteration);
    Put32(out, static_cast<std::uint32_t>(r.BInterval));
    if (version > 1) {
        out += static_cast<char>(r.BITUnit);
    }
    Put64(out, r.StartTime);
    out.append(version == 1 ? 20 : 18, ' ');
    for (const Row& row : r.Rows) {
        PutText(out, row.Item, 16);
        PutText(out, row.Unit, 8);
        Put32(out, std::bit_cast<std::uint32_t>(row.A));
        Put32(out, std::bit_cast<std::uint32_t>(row.B));
    }
    PadWith(out, 256, ' ');
    return out;
}

// An old file: every burst starts on a 256-byte sector; the rest of its last sector is
// `padding`, which the conversion must not carry over. The last burst is padded too unless
// `padLast` is false.
inline std::string OldFile(const Recording& r, int version, char padding = '\xAB',
                           bool padLast = true) {
    std::string out = Header(r, version);
    for (std::size_t k = 0; k < r.Bursts.size(); ++k) {
        for (std::int16_t v : r.Bursts[k]) {
            Put16(out, v);
        }
        if (padLast || k + 1 < r.Bursts.size()) {
            PadWith(out, 256, padding);
        }
    }
    return out;
}

// The layout-4 file of a recording whose fields already hold the converted values: bursts
// follow each other without gaps.
inline std::string CurrentFile(const Recording& r,
                               const std::vector<std::vector<std::int16_t>>& bursts) {
    std::string out = Header(r, 4);
    for (const auto& burst : bursts) {
        for (std::int16_t v : burst) {
            Put16(out, v);
        }
    }
    return out;
}

} // namespace sdfbytes
