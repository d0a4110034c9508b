// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// SDF files built byte by byte, in any layout, for the tests of the tool's readers.
namespace clitest {

struct SdfRow {
    std::string Item; // CP932 bytes
    std::string Unit;
    float A = 1.0f;
    float B = 0.0f;
};

struct SdfSpec {
    char Version = '4';
    std::string Memo = "memo"; // CP932 bytes
    std::int16_t ChNum = 1;
    std::int16_t BurstValueNum = 0;
    std::int32_t DataNum = 4;
    std::int32_t SInterval = 1; // milliseconds in layout 1
    std::uint8_t SITUnit = 1;
    std::int16_t Iteration = 1;
    std::int32_t BInterval = 1;
    std::uint8_t BITUnit = 2;
    double StartTime = 45000.5; // 2023/03/15 12:00:00
    std::vector<SdfRow> Rows = {{"Ch.1", "mV", 1.0f, 0.0f}};
};

// The header area: fixed header, channel table, padding to a multiple of 256 bytes.
std::string SdfHeader(const SdfSpec& spec);

// One block of values in the layout's form: padded to whole 256-byte sectors before
// layout 4.
std::string SdfBlock(const SdfSpec& spec, const std::vector<std::int16_t>& values);

} // namespace clitest
