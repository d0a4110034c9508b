// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/MeasurementParameters.h"

#include "data/Errors.h"

#include <cmath>
#include <limits>
#include <new>
#include <string>

namespace tessary {

namespace {

// Beyond this many bytes of sample buffers a request is refused rather than tried: the
// block of one burst must fit a signed 32-bit size anyway.
constexpr std::int64_t MaxBufferBytes = std::numeric_limits<std::int32_t>::max();

void CheckRow(int row) {
    if (row < 0 || row >= ChannelRows) {
        throw RangeError("Channel row " + std::to_string(row) + " is out of range (0 to 128)");
    }
}

} // namespace

ChannelSpec& MeasurementParameters::Channel(int row) {
    CheckRow(row);
    return Channels[static_cast<std::size_t>(row)];
}

const ChannelSpec& MeasurementParameters::Channel(int row) const {
    CheckRow(row);
    return Channels[static_cast<std::size_t>(row)];
}

std::int32_t HeaderBlocksFor(std::int64_t rows) {
    return static_cast<std::int32_t>(1 + rows / 8 + (rows % 8 > 0 ? 1 : 0));
}

void MeasurementParameters::ComputeDerivedSizes() {
    const std::int64_t rows = std::int64_t{ChNum} + BurstValueNum;
    if (ChNum < 0 || BurstValueNum < 0 || rows > ChannelRows) {
        throw RangeError("Channel count " + std::to_string(ChNum) + " with " +
                         std::to_string(BurstValueNum) +
                         " per-burst values does not fit the channel table of 129 rows");
    }
    if (DataNum < 0) {
        throw RangeError("Number of data " + std::to_string(DataNum) + " is negative");
    }
    const std::int64_t bytes = (std::int64_t{DataNum} * ChNum + BurstValueNum) * 2;
    if (bytes > std::numeric_limits<std::int32_t>::max()) {
        throw RangeError("A burst of " + std::to_string(DataNum) + " data in " +
                         std::to_string(ChNum) + " channels is too large (" +
                         std::to_string(bytes) + " bytes)");
    }
    BlockBytes = static_cast<std::int32_t>(bytes);
    HeaderBlocks = HeaderBlocksFor(rows);
}

void MeasurementParameters::AllocateSampleBuffers() {
    if (ChNum > SampleChannels) {
        throw RangeError("Channel count " + std::to_string(ChNum) +
                         " is out of range (at most 128)");
    }
    const int channels = ChNum > 0 ? ChNum : 0;
    if (channels > 0 && DataNum < 0) {
        throw RangeError("Number of data " + std::to_string(DataNum) + " is negative");
    }
    const std::int64_t sampleBytes = std::int64_t{channels} * (DataNum > 0 ? DataNum : 0) * 2;
    const std::int64_t valueBytes = BurstValueNum > 0 ? std::int64_t{BurstValueNum} * 2 : 0;
    if (sampleBytes + valueBytes > MaxBufferBytes) {
        throw RangeError("Sample buffers of " + std::to_string(DataNum) + " data in " +
                         std::to_string(ChNum) + " channels are too large to allocate");
    }
    try {
        Samples.resize(SampleChannels);
        for (int c = 0; c < channels; ++c) {
            Samples[static_cast<std::size_t>(c)].resize(static_cast<std::size_t>(DataNum));
        }
        if (BurstValueNum > 0) {
            BurstValues.resize(static_cast<std::size_t>(BurstValueNum));
        }
    } catch (const std::bad_alloc&) {
        throw RangeError("Not enough memory for sample buffers of " + std::to_string(DataNum) +
                         " data in " + std::to_string(ChNum) + " channels");
    }
}

void MeasurementParameters::NormaliseBurstInterval() {
    if (Iteration != 1) {
        return;
    }
    const TimeUnitRow& sampling = TimeUnitAt(SITUnit);
    const long double burst = SInterval * sampling.Days * DataNum;
    const long double gap = BInterval * TimeUnitAt(BITUnit).Days;
    if (gap >= burst) {
        return;
    }
    const auto t = static_cast<double>(SInterval * sampling.Seconds * (DataNum + 1.0L));
    for (int u = SITUnit; u < 8; ++u) {
        const int v = u + 1;
        const auto d = static_cast<double>(t / TimeUnitAt(v).Seconds);
        if (d == 0.0) {
            return; // no length to express; 0/0 would decide nothing
        }
        const std::int32_t r = RoundHalfAway(d);
        if (std::fabs(r - d) / d > 0.001) {
            return;
        }
        BInterval = r;
        BITUnit = static_cast<TimeUnit>(v);
    }
    // Sampling in the largest unit ("yr") leaves no larger one to try: the interval stays, as
    // when the unit just above fails, so that every header the writers write reads back.
}

std::int32_t RoundHalfAway(long double x) {
    const long double r = x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L);
    if (!(r >= std::numeric_limits<std::int32_t>::min() &&
          r <= std::numeric_limits<std::int32_t>::max())) {
        throw RangeError("Value " + std::to_string(static_cast<double>(x)) +
                         " is out of the 32-bit integer range");
    }
    return static_cast<std::int32_t>(r);
}

} // namespace tessary
