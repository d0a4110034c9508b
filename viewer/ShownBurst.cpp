// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ShownBurst.h"

#include "data/TsdBlockReader.h"
#include "export/RecordingSource.h"
#include "viewer/IndexedChannel.h"

namespace tessary {

std::unique_ptr<ShownBurst> ShownBurst::Read(RecordingSource& source, std::int64_t k) {
    std::unique_ptr<ShownBurst> burst(new ShownBurst);
    burst->number_ = k;
    source.ReadInto(k, burst->stored_, burst->values_);
    const MeasurementParameters& header = source.Header();
    const BurstTiming timing(header);
    const int channels = header.ChNum;
    const auto stride = static_cast<std::ptrdiff_t>(channels);
    burst->scans_ = header.DataNum;
    const std::size_t burstValuesAt = static_cast<std::size_t>(header.DataNum) * channels;
    if (source.HoldsStoredSamples()) {
        const std::int16_t mark = source.MissingMark();
        for (int c = 0; c < channels; ++c) {
            const ChannelSpec& spec = header.Channel(c);
            burst->channels_.push_back(std::make_unique<IndexedChannel<std::int16_t>>(
                SampleColumn<std::int16_t>{burst->stored_.data() + c, stride, burst->scans_}, mark,
                spec.A, spec.B, timing.Step()));
        }
        for (int e = 0; e < header.BurstValueNum; ++e) {
            const std::int16_t value = burst->stored_[burstValuesAt + static_cast<std::size_t>(e)];
            const ChannelSpec& spec = header.Channel(channels + e);
            burst->burstValues_.push_back(
                value == mark ? std::nullopt
                              : std::optional<double>(static_cast<double>(
                                    static_cast<long double>(spec.A) * value + spec.B)));
        }
    } else {
        for (int c = 0; c < channels; ++c) {
            burst->channels_.push_back(std::make_unique<IndexedChannel<double>>(
                SampleColumn<double>{burst->values_.data() + c, stride, burst->scans_}, ErrorValue,
                1.0, 0.0, timing.Step()));
        }
        for (int e = 0; e < header.BurstValueNum; ++e) {
            const double value = burst->values_[burstValuesAt + static_cast<std::size_t>(e)];
            burst->burstValues_.push_back(IsTsdMissing(value) ? std::nullopt
                                                              : std::optional<double>(value));
        }
    }
    return burst;
}

double ShownBurst::Duration() const {
    if (channels_.empty() || scans_ < 2) {
        return channels_.empty() ? 1.0 : channels_.front()->Step();
    }
    return static_cast<double>(scans_ - 1) * channels_.front()->Step();
}

std::size_t ShownBurst::HeldBytes() const {
    std::size_t bytes =
        stored_.capacity() * sizeof(std::int16_t) + values_.capacity() * sizeof(double);
    for (const auto& channel : channels_) {
        bytes += channel->HeldBytes();
    }
    return bytes;
}

} // namespace tessary
