// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the data-file tests: a scratch folder, scripted message boxes, whole-file
// reads and little-endian byte builders that spell out expected layouts by hand.
#include "data/Dialogs.h"
#include "data/MeasurementParameters.h"
#include "tests/InjectedFaults.h"
#include "tests/ScratchFolder.h"
#include "tests/ScriptedDialogs.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tessary::testing {

// Little-endian byte strings of the layouts' field types.
inline std::string Le(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}
inline std::string I16(std::int16_t v) {
    return Le(static_cast<std::uint16_t>(v), 2);
}
inline std::string I32(std::int32_t v) {
    return Le(static_cast<std::uint32_t>(v), 4);
}
inline std::string U8(std::uint8_t v) {
    return Le(v, 1);
}
inline std::string F32(float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    return Le(bits, 4);
}
inline std::string F64(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    return Le(bits, 8);
}
inline std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width - text.size(), ' ');
}

inline const std::string SdfMagic = "Standard Burst-Interval Data Format Ver.";

// The fixed SDF header as the layout table spells it.
inline std::string FixedHeader(const MeasurementParameters& r, char version = '4') {
    return Padded(SdfMagic + version, 50) + Padded(r.Memo, 160) + I16(r.ChNum) +
           I16(r.BurstValueNum) + I32(r.DataNum) + I32(r.SInterval) + U8(r.SITUnit) +
           I16(r.Iteration) + I32(r.BInterval) + U8(r.BITUnit) + F64(r.StartTime) +
           std::string(18, ' ');
}

// One 32-byte row of the SDF channel table.
inline std::string Row(const ChannelSpec& c) {
    return Padded(c.Item, 16) + Padded(c.Unit, 8) + F32(c.A) + F32(c.B);
}

} // namespace tessary::testing
