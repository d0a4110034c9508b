// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/TimeUnits.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

inline constexpr std::int16_t ErrorValue = -32768;   // missing sample, memory and SDF 4
inline constexpr std::int16_t OldErrorValue = 32767; // missing sample in SDF 1 to 3

inline constexpr int ChannelRows = 129;    // rows of the channel table
inline constexpr int SampleChannels = 128; // channel sequences of Samples
inline constexpr std::size_t MemoBytes = 160;
inline constexpr std::size_t ItemBytes = 16;
inline constexpr std::size_t UnitBytes = 8;

// One row of the channel table; the engineering value of a sample X is A·X + B.
struct ChannelSpec {
    std::string Item; // CP932, at most ItemBytes
    std::string Unit; // CP932, at most UnitBytes
    float A = 0.0f;
    float B = 0.0f;
};

// The one description of the current measurement, fields in their declared order.
struct MeasurementParameters {
    std::int32_t BlockBytes = 0;   // derived: (DataNum × ChNum + BurstValueNum) × 2
    std::int32_t HeaderBlocks = 0; // derived: 1 + ⌈(ChNum + BurstValueNum) / 8⌉
    std::string Memo;              // CP932, at most MemoBytes
    std::int16_t ChNum = 0;
    std::int16_t BurstValueNum = 0;
    std::int16_t Iteration = 0;
    std::int32_t DataNum = 0;
    std::int32_t SInterval = 0;
    std::int32_t BInterval = 0;
    TimeUnit SITUnit = 0;
    TimeUnit BITUnit = 0;
    double StartTime = 0.0; // days since 1899-12-30
    std::array<ChannelSpec, ChannelRows> Channels;
    std::vector<std::vector<std::int16_t>> Samples; // [channel][time step]
    std::vector<std::int16_t> BurstValues;
    std::string TargetFileName; // path the block writers write into

    // Row `row` of the channel table; above 128 (or negative) is a RangeError.
    ChannelSpec& Channel(int row);
    const ChannelSpec& Channel(int row) const;

    // Recomputes BlockBytes and HeaderBlocks. Rows outside 0..129, a negative DataNum or a
    // block that does not fit a 32-bit size are a RangeError.
    void ComputeDerivedSizes();

    // Gives Samples 128 sequences and the first ChNum of them DataNum elements (new elements
    // 0, existing ones kept); BurstValues gets BurstValueNum elements when that is above 0.
    // Sizes that are negative, above the table or too large to hold are a RangeError, raised
    // before anything is allocated.
    void AllocateSampleBuffers();

    // For a single burst whose interval is shorter than the burst: the burst interval
    // becomes DataNum + 1 sampling intervals, in the largest unit above SITUnit in which it
    // is within 0.1 % of a whole number (none above "yr": the interval stays). A unit above 8
    // is a RangeError.
    void NormaliseBurstInterval();
};

// Number of 256-byte units of an SDF header for `rows` channel-table rows.
std::int32_t HeaderBlocksFor(std::int64_t rows);

// Nearest integer, halves away from zero; outside the 32-bit range a RangeError.
std::int32_t RoundHalfAway(long double x);

} // namespace tessary
